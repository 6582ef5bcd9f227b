// Value classes of geometry and arithmetic: Point, Size, Rectangle, Range, Selection, Pair,
// Fraction, BigInt. Coordinates are 32-bit, as in the class library.
#pragma once

#include <cstdint>

#include "svdef.h"

class Point {
public:
    Point();
    Point(int32_t x, int32_t y);
    Point(const Point& other);
    Point& operator=(const Point& other);

    int32_t X() const;
    int32_t Y() const;
    int32_t& X();
    int32_t& Y();
    void Move(int32_t dx, int32_t dy);
    bool IsAbove(const Point& p) const;  // smaller y
    bool IsBelow(const Point& p) const;
    bool IsLeft(const Point& p) const;   // smaller x
    bool IsRight(const Point& p) const;

    Point& operator+=(const Point& p);
    Point& operator-=(const Point& p);
    Point& operator*=(int32_t n);
    // A division by 0 leaves the point as it was.
    Point& operator/=(int32_t n);
    bool operator==(const Point& p) const;
    bool operator!=(const Point& p) const;

private:
    int32_t x_, y_;
};

Point operator+(const Point& a, const Point& b);
Point operator-(const Point& a, const Point& b);

class Size {
public:
    Size();
    Size(int32_t width, int32_t height);
    Size(const Size& other);
    Size& operator=(const Size& other);

    int32_t Width() const;
    int32_t Height() const;
    int32_t& Width();
    int32_t& Height();
    bool operator==(const Size& s) const;
    bool operator!=(const Size& s) const;

private:
    int32_t width_, height_;
};

// A rectangle by its four edges, all included. A rectangle whose right or bottom is RECT_EMPTY
// is empty: width and height 0. Otherwise its width is right - left + 1 (right - left - 1 when
// that difference is negative), its height likewise.
class Rectangle {
public:
    Rectangle();  // the empty rectangle 0, 0, RECT_EMPTY, RECT_EMPTY
    Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);
    Rectangle(const Point& topLeft, const Point& bottomRight);
    // A width or height of 0 gives an empty rectangle at the point.
    Rectangle(const Point& topLeft, const Size& size);
    Rectangle(const Rectangle& other);
    Rectangle& operator=(const Rectangle& other);

    int32_t Left() const;
    int32_t Top() const;
    int32_t Right() const;
    int32_t Bottom() const;
    int32_t& Left();
    int32_t& Top();
    int32_t& Right();
    int32_t& Bottom();

    Point TopLeft() const;
    Point TopRight() const;
    Point TopCenter() const;
    Point BottomLeft() const;
    Point BottomRight() const;
    Point BottomCenter() const;
    Point LeftCenter() const;
    Point RightCenter() const;
    Point Center() const;

    int32_t GetWidth() const;
    int32_t GetHeight() const;
    Size GetSize() const;
    bool IsEmpty() const;

    // Moves all four edges (an empty edge stays empty).
    void Move(int32_t dx, int32_t dy);
    // Moves the top left corner to the point, keeping the size.
    void SetPos(const Point& p);
    // The smallest rectangle holding both; an empty one adds nothing.
    Rectangle GetUnion(const Rectangle& r) const;
    // The common part; empty (the empty rectangle) when either is empty or they do not meet.
    Rectangle GetIntersection(const Rectangle& r) const;

    Rectangle& operator+=(const Point& p);
    Rectangle& operator-=(const Point& p);
    bool operator==(const Rectangle& r) const;
    bool operator!=(const Rectangle& r) const;

private:
    int32_t left_, top_, right_, bottom_;
};

// The two ends of a Range or a Selection.
class SvMinMax {
public:
    int32_t Min() const;
    int32_t Max() const;
    int32_t& Min();
    int32_t& Max();
    // Swaps the ends when min is above max.
    void Justify();

protected:
    SvMinMax(int32_t min, int32_t max);
    int32_t min_, max_;
};

// A closed range of longs: Len is max - min + 1.
class Range : public SvMinMax {
public:
    Range();
    Range(int32_t min, int32_t max);
    Range(const Range& other);
    Range& operator=(const Range& other);

    int32_t Len() const;
    bool IsInside(int32_t n) const;
    bool operator==(const Range& r) const;
    bool operator!=(const Range& r) const;
};

// A selection between two positions, the end excluded: Len is max - min; `!` is true when it
// selects nothing.
class Selection : public SvMinMax {
public:
    Selection();
    explicit Selection(int32_t pos);
    Selection(int32_t min, int32_t max);
    Selection(const Selection& other);
    Selection& operator=(const Selection& other);

    int32_t Len() const;
    bool IsInside(int32_t n) const;
    bool operator!() const;
};

class Pair {
public:
    Pair();
    Pair(int32_t a, int32_t b);
    Pair(const Pair& other);
    Pair& operator=(const Pair& other);

    int32_t A() const;
    int32_t B() const;
    int32_t& A();
    int32_t& B();
    bool operator==(const Pair& p) const;
    bool operator!=(const Pair& p) const;

private:
    int32_t a_, b_;
};

// A fraction of two 32-bit longs, always kept reduced with a positive denominator. A zero
// denominator (given, or a result that does not fit) makes it invalid; an invalid fraction stays
// invalid through arithmetic and converts to 0.
class Fraction {
public:
    Fraction();  // 0/1
    Fraction(int32_t numerator, int32_t denominator);
    Fraction(const Fraction& other);
    Fraction& operator=(const Fraction& other);

    int32_t GetNumerator() const;
    int32_t GetDenominator() const;
    bool IsValid() const;
    // numerator / denominator, cut toward zero; 0 when invalid.
    explicit operator long() const;

    Fraction& operator*=(const Fraction& f);
    // Comparisons of two invalid fractions, or of an invalid with a valid one, are false
    // (except !=).
    bool operator==(const Fraction& f) const;
    bool operator!=(const Fraction& f) const;
    bool operator<(const Fraction& f) const;
    bool operator>(const Fraction& f) const;
    bool operator<=(const Fraction& f) const;
    bool operator>=(const Fraction& f) const;

private:
    void Set(int64_t numerator, int64_t denominator);
    int32_t num_, den_;
};

Fraction operator*(const Fraction& a, const Fraction& b);

// An integer; here held in 64 bits.
class BigInt {
public:
    BigInt();
    BigInt(short n);
    BigInt(unsigned short n);
    BigInt(int n);
    BigInt(long n);

    // Conversions cut to the result's width.
    explicit operator short() const;
    explicit operator unsigned short() const;
    explicit operator int() const;
    explicit operator long() const;

    bool IsNeg() const;
    bool IsZero() const;
    bool IsOne() const;
    BigInt& Abs();

private:
    int64_t value_;
};
