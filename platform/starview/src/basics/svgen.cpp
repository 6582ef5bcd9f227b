#include "svgen.h"

#include <climits>
#include <numeric>
#include <utility>

long Min(long a, long b) { return a < b ? a : b; }
long Max(long a, long b) { return a > b ? a : b; }
long Abs(long a) { return a < 0 ? (a == LONG_MIN ? LONG_MAX : -a) : a; }

// ---- Point ----

Point::Point() : x_(0), y_(0) {}
Point::Point(int32_t x, int32_t y) : x_(x), y_(y) {}
Point::Point(const Point& other) = default;
Point& Point::operator=(const Point& other) = default;
int32_t Point::X() const { return x_; }
int32_t Point::Y() const { return y_; }
int32_t& Point::X() { return x_; }
int32_t& Point::Y() { return y_; }
void Point::Move(int32_t dx, int32_t dy) {
    x_ += dx;
    y_ += dy;
}
bool Point::IsAbove(const Point& p) const { return y_ < p.y_; }
bool Point::IsBelow(const Point& p) const { return y_ > p.y_; }
bool Point::IsLeft(const Point& p) const { return x_ < p.x_; }
bool Point::IsRight(const Point& p) const { return x_ > p.x_; }
Point& Point::operator+=(const Point& p) {
    Move(p.x_, p.y_);
    return *this;
}
Point& Point::operator-=(const Point& p) {
    Move(-p.x_, -p.y_);
    return *this;
}
Point& Point::operator*=(int32_t n) {
    x_ *= n;
    y_ *= n;
    return *this;
}
Point& Point::operator/=(int32_t n) {
    if (n != 0) {
        x_ /= n;
        y_ /= n;
    }
    return *this;
}
bool Point::operator==(const Point& p) const { return x_ == p.x_ && y_ == p.y_; }
bool Point::operator!=(const Point& p) const { return !(*this == p); }
Point operator+(const Point& a, const Point& b) { return Point(a) += b; }
Point operator-(const Point& a, const Point& b) { return Point(a) -= b; }

// ---- Size ----

Size::Size() : width_(0), height_(0) {}
Size::Size(int32_t width, int32_t height) : width_(width), height_(height) {}
Size::Size(const Size& other) = default;
Size& Size::operator=(const Size& other) = default;
int32_t Size::Width() const { return width_; }
int32_t Size::Height() const { return height_; }
int32_t& Size::Width() { return width_; }
int32_t& Size::Height() { return height_; }
bool Size::operator==(const Size& s) const { return width_ == s.width_ && height_ == s.height_; }
bool Size::operator!=(const Size& s) const { return !(*this == s); }

// ---- Rectangle ----

namespace {

int32_t Extent(int32_t from, int32_t to) {
    if (to == RECT_EMPTY) return 0;
    const int32_t n = to - from;
    return n < 0 ? n - 1 : n + 1;
}

// The far edge of an extent: the inverse of Extent.
int32_t FarEdge(int32_t from, int32_t extent) {
    if (extent == 0) return RECT_EMPTY;
    return extent > 0 ? from + extent - 1 : from + extent + 1;
}

struct Edges {
    int32_t l, t, r, b;
};

Edges Justified(int32_t l, int32_t t, int32_t r, int32_t b) {
    return Edges{l < r ? l : r, t < b ? t : b, l < r ? r : l, t < b ? b : t};
}

}  // namespace

Rectangle::Rectangle() : left_(0), top_(0), right_(RECT_EMPTY), bottom_(RECT_EMPTY) {}
Rectangle::Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom)
    : left_(left), top_(top), right_(right), bottom_(bottom) {}
Rectangle::Rectangle(const Point& topLeft, const Point& bottomRight)
    : left_(topLeft.X()), top_(topLeft.Y()), right_(bottomRight.X()), bottom_(bottomRight.Y()) {}
Rectangle::Rectangle(const Point& topLeft, const Size& size)
    : left_(topLeft.X()),
      top_(topLeft.Y()),
      right_(FarEdge(topLeft.X(), size.Width())),
      bottom_(FarEdge(topLeft.Y(), size.Height())) {}
Rectangle::Rectangle(const Rectangle& other) = default;
Rectangle& Rectangle::operator=(const Rectangle& other) = default;

int32_t Rectangle::Left() const { return left_; }
int32_t Rectangle::Top() const { return top_; }
int32_t Rectangle::Right() const { return right_; }
int32_t Rectangle::Bottom() const { return bottom_; }
int32_t& Rectangle::Left() { return left_; }
int32_t& Rectangle::Top() { return top_; }
int32_t& Rectangle::Right() { return right_; }
int32_t& Rectangle::Bottom() { return bottom_; }

// Corners of an empty rectangle collapse onto its top left point.
Point Rectangle::TopLeft() const { return Point(left_, top_); }
Point Rectangle::TopRight() const { return Point(right_ == RECT_EMPTY ? left_ : right_, top_); }
Point Rectangle::TopCenter() const { return Point((left_ + TopRight().X()) / 2, top_); }
Point Rectangle::BottomLeft() const { return Point(left_, bottom_ == RECT_EMPTY ? top_ : bottom_); }
Point Rectangle::BottomRight() const { return Point(TopRight().X(), BottomLeft().Y()); }
Point Rectangle::BottomCenter() const { return Point(TopCenter().X(), BottomLeft().Y()); }
Point Rectangle::LeftCenter() const { return Point(left_, (top_ + BottomLeft().Y()) / 2); }
Point Rectangle::RightCenter() const { return Point(TopRight().X(), LeftCenter().Y()); }
Point Rectangle::Center() const { return Point(TopCenter().X(), LeftCenter().Y()); }

int32_t Rectangle::GetWidth() const { return bottom_ == RECT_EMPTY ? 0 : Extent(left_, right_); }
int32_t Rectangle::GetHeight() const { return right_ == RECT_EMPTY ? 0 : Extent(top_, bottom_); }
Size Rectangle::GetSize() const { return Size(GetWidth(), GetHeight()); }
bool Rectangle::IsEmpty() const { return right_ == RECT_EMPTY || bottom_ == RECT_EMPTY; }

void Rectangle::Move(int32_t dx, int32_t dy) {
    left_ += dx;
    top_ += dy;
    if (right_ != RECT_EMPTY) right_ += dx;
    if (bottom_ != RECT_EMPTY) bottom_ += dy;
}

void Rectangle::SetPos(const Point& p) { Move(p.X() - left_, p.Y() - top_); }

Rectangle Rectangle::GetUnion(const Rectangle& r) const {
    if (r.IsEmpty()) return *this;
    if (IsEmpty()) return r;
    const Edges a = Justified(left_, top_, right_, bottom_);
    const Edges b = Justified(r.left_, r.top_, r.right_, r.bottom_);
    return Rectangle(a.l < b.l ? a.l : b.l, a.t < b.t ? a.t : b.t, a.r > b.r ? a.r : b.r, a.b > b.b ? a.b : b.b);
}

Rectangle Rectangle::GetIntersection(const Rectangle& r) const {
    if (IsEmpty() || r.IsEmpty()) return Rectangle();
    const Edges a = Justified(left_, top_, right_, bottom_);
    const Edges b = Justified(r.left_, r.top_, r.right_, r.bottom_);
    const Edges c{a.l > b.l ? a.l : b.l, a.t > b.t ? a.t : b.t, a.r < b.r ? a.r : b.r, a.b < b.b ? a.b : b.b};
    if (c.l > c.r || c.t > c.b) return Rectangle();
    return Rectangle(c.l, c.t, c.r, c.b);
}

Rectangle& Rectangle::operator+=(const Point& p) {
    Move(p.X(), p.Y());
    return *this;
}
Rectangle& Rectangle::operator-=(const Point& p) {
    Move(-p.X(), -p.Y());
    return *this;
}
bool Rectangle::operator==(const Rectangle& r) const {
    return left_ == r.left_ && top_ == r.top_ && right_ == r.right_ && bottom_ == r.bottom_;
}
bool Rectangle::operator!=(const Rectangle& r) const { return !(*this == r); }

// ---- Range, Selection, Pair ----

SvMinMax::SvMinMax(int32_t min, int32_t max) : min_(min), max_(max) {}
int32_t SvMinMax::Min() const { return min_; }
int32_t SvMinMax::Max() const { return max_; }
int32_t& SvMinMax::Min() { return min_; }
int32_t& SvMinMax::Max() { return max_; }
void SvMinMax::Justify() {
    if (min_ > max_) std::swap(min_, max_);
}

Range::Range() : SvMinMax(0, 0) {}
Range::Range(int32_t min, int32_t max) : SvMinMax(min, max) {}
Range::Range(const Range& other) = default;
Range& Range::operator=(const Range& other) = default;
int32_t Range::Len() const { return max_ - min_ + 1; }
bool Range::IsInside(int32_t n) const { return n >= min_ && n <= max_; }
bool Range::operator==(const Range& r) const { return min_ == r.min_ && max_ == r.max_; }
bool Range::operator!=(const Range& r) const { return !(*this == r); }

Selection::Selection() : SvMinMax(0, 0) {}
Selection::Selection(int32_t pos) : SvMinMax(pos, pos) {}
Selection::Selection(int32_t min, int32_t max) : SvMinMax(min, max) {}
Selection::Selection(const Selection& other) = default;
Selection& Selection::operator=(const Selection& other) = default;
int32_t Selection::Len() const { return max_ - min_; }
bool Selection::IsInside(int32_t n) const { return n >= min_ && n < max_; }
bool Selection::operator!() const { return min_ == max_; }

Pair::Pair() : a_(0), b_(0) {}
Pair::Pair(int32_t a, int32_t b) : a_(a), b_(b) {}
Pair::Pair(const Pair& other) = default;
Pair& Pair::operator=(const Pair& other) = default;
int32_t Pair::A() const { return a_; }
int32_t Pair::B() const { return b_; }
int32_t& Pair::A() { return a_; }
int32_t& Pair::B() { return b_; }
bool Pair::operator==(const Pair& p) const { return a_ == p.a_ && b_ == p.b_; }
bool Pair::operator!=(const Pair& p) const { return !(*this == p); }

// ---- Fraction ----

void Fraction::Set(int64_t n, int64_t d) {
    if (d == 0) {
        num_ = 0;
        den_ = 0;
        return;
    }
    if (d < 0) {
        n = -n;
        d = -d;
    }
    const int64_t g = std::gcd(n < 0 ? -n : n, d);
    n /= g;
    d /= g;
    if (n < INT32_MIN || n > INT32_MAX || d > INT32_MAX) {
        num_ = 0;
        den_ = 0;
        return;
    }
    num_ = static_cast<int32_t>(n);
    den_ = static_cast<int32_t>(d);
}

Fraction::Fraction() : num_(0), den_(1) {}
Fraction::Fraction(int32_t numerator, int32_t denominator) { Set(numerator, denominator); }
Fraction::Fraction(const Fraction& other) = default;
Fraction& Fraction::operator=(const Fraction& other) = default;
int32_t Fraction::GetNumerator() const { return num_; }
int32_t Fraction::GetDenominator() const { return den_; }
bool Fraction::IsValid() const { return den_ != 0; }
Fraction::operator long() const { return den_ == 0 ? 0 : num_ / den_; }

Fraction& Fraction::operator*=(const Fraction& f) {
    if (!IsValid() || !f.IsValid()) {
        Set(0, 0);
        return *this;
    }
    Set(int64_t(num_) * f.num_, int64_t(den_) * f.den_);
    return *this;
}

Fraction operator*(const Fraction& a, const Fraction& b) { return Fraction(a) *= b; }

bool Fraction::operator==(const Fraction& f) const { return IsValid() && f.IsValid() && num_ == f.num_ && den_ == f.den_; }
bool Fraction::operator!=(const Fraction& f) const { return !(*this == f); }
bool Fraction::operator<(const Fraction& f) const {
    return IsValid() && f.IsValid() && int64_t(num_) * f.den_ < int64_t(f.num_) * den_;
}
bool Fraction::operator>(const Fraction& f) const { return f < *this; }
bool Fraction::operator<=(const Fraction& f) const { return *this < f || *this == f; }
bool Fraction::operator>=(const Fraction& f) const { return *this > f || *this == f; }

// ---- BigInt ----

BigInt::BigInt() : value_(0) {}
BigInt::BigInt(short n) : value_(n) {}
BigInt::BigInt(unsigned short n) : value_(n) {}
BigInt::BigInt(int n) : value_(n) {}
BigInt::BigInt(long n) : value_(n) {}
BigInt::operator short() const { return static_cast<short>(value_); }
BigInt::operator unsigned short() const { return static_cast<unsigned short>(value_); }
BigInt::operator int() const { return static_cast<int>(value_); }
BigInt::operator long() const { return static_cast<long>(value_); }
bool BigInt::IsNeg() const { return value_ < 0; }
bool BigInt::IsZero() const { return value_ == 0; }
bool BigInt::IsOne() const { return value_ == 1; }
BigInt& BigInt::Abs() {
    if (value_ < 0 && value_ != INT64_MIN) value_ = -value_;
    return *this;
}
