// Decorated export names of plain C++ functions: Windows' compilers export a function such as
// KxAgent* openAgent(KxBench*) as "?openAgent@@YAPAVKxAgent@@PAVKxBench@@@Z"; the Linux compiler
// exports the same function as "_Z9openAgentP6KxBench". GetProcAddress takes the first form and
// finds the function under the second.
#include "Decorated.h"

#include <cstring>
#include <memory>
#include <vector>

namespace w32 {
namespace {

// A parameter type: a built-in type (its one-letter Itanium code), a class, or a pointer,
// reference or const qualification of another type.
struct TypeNode {
    char kind = 0;        // 'b' built-in, 'c' class, 'P' pointer, 'R' reference, 'K' const
    std::string text;     // built-in code or class name
    std::shared_ptr<TypeNode> inner;
};
using TypePtr = std::shared_ptr<TypeNode>;

class Reader {
public:
    explicit Reader(const char* s) : p_(s) {}

    bool ok() const { return ok_; }

    // Global function: "?" name "@@" "Y" calling convention, return type, parameters, "Z".
    std::string Translate() {
        if (!Take('?')) return {};
        const std::string name = Name();
        if (!ok_ || name.empty() || !Take('@') || !Take('Y')) return {};
        if (*p_ != 'A' && *p_ != 'G' && *p_ != 'I') return {};   // cdecl, stdcall, fastcall
        ++p_;
        if (!Take('X')) Type();                                  // return type: not mangled
        std::string params;
        if (Take('X')) {
            params = "v";
        } else {
            while (ok_ && *p_ != '@' && *p_ != 'Z' && *p_ != '\0') params += Emit(Parameter());
            if (Take('Z')) params += "z";                         // "...": ends the list
            else if (!Take('@')) ok_ = false;
        }
        if (!ok_ || !Take('Z') || *p_ != '\0') return {};
        return "_Z" + std::to_string(name.size()) + name + params;
    }

private:
    bool Take(char c) {
        if (*p_ != c) return false;
        ++p_;
        return true;
    }

    // A name ending in "@", or a digit naming one of the names read before.
    std::string Name() {
        if (*p_ >= '0' && *p_ <= '9') {
            const size_t n = size_t(*p_++ - '0');
            if (n < names_.size()) return names_[n];
            ok_ = false;
            return {};
        }
        const char* end = std::strchr(p_, '@');
        if (end == nullptr || end == p_) {
            ok_ = false;
            return {};
        }
        std::string name(p_, end);
        p_ = end + 1;
        if (names_.size() < 10) names_.push_back(name);
        return name;
    }

    // A parameter: a digit repeats an earlier parameter whose code was longer than one letter.
    TypePtr Parameter() {
        if (*p_ >= '0' && *p_ <= '9') {
            const size_t n = size_t(*p_++ - '0');
            if (n < args_.size()) return args_[n];
            ok_ = false;
            return nullptr;
        }
        const char* from = p_;
        TypePtr t = Type();
        if (ok_ && p_ - from > 1 && args_.size() < 10) args_.push_back(t);
        return t;
    }

    static TypePtr Make(char kind, std::string text = {}, TypePtr inner = nullptr) {
        auto t = std::make_shared<TypeNode>();
        t->kind = kind;
        t->text = std::move(text);
        t->inner = std::move(inner);
        return t;
    }

    TypePtr Type() {
        const char c = *p_;
        if (c == '\0') {
            ok_ = false;
            return nullptr;
        }
        ++p_;
        switch (c) {
        case 'D': return Make('b', "c");
        case 'C': return Make('b', "a");
        case 'E': return Make('b', "h");
        case 'F': return Make('b', "s");
        case 'G': return Make('b', "t");
        case 'H': return Make('b', "i");
        case 'I': return Make('b', "j");
        case 'J': return Make('b', "l");
        case 'K': return Make('b', "m");
        case 'M': return Make('b', "f");
        case 'N': return Make('b', "d");
        case '_':
            switch (*p_++) {
            case 'N': return Make('b', "b");
            case 'J': return Make('b', "x");
            case 'K': return Make('b', "y");
            case 'W': return Make('b', "w");
            default: break;
            }
            break;
        case 'V':
        case 'U': {
            std::string name = Name();                            // "Name@@": no namespaces
            if (ok_ && Take('@')) return Make('c', name);
            break;
        }
        case 'P':
        case 'Q':
        case 'A': {
            const char cv = *p_++;
            if (cv != 'A' && cv != 'B') break;
            TypePtr pointee = *p_ == 'X' ? (++p_, Make('b', "v")) : Type();
            if (!ok_) return nullptr;
            if (cv == 'B') pointee = Make('K', {}, pointee);
            return Make(c == 'A' ? 'R' : 'P', {}, pointee);
        }
        default: break;
        }
        ok_ = false;
        return nullptr;
    }

    // The unsubstituted Itanium form of a type: the key of its substitution.
    static std::string Full(const TypeNode& t) {
        switch (t.kind) {
        case 'b': return t.text;
        case 'c': return std::to_string(t.text.size()) + t.text;
        default: return std::string(1, t.kind) + Full(*t.inner);
        }
    }

    // The Itanium form with substitutions: a class, or a qualified or pointer type, seen before
    // in the parameter list is written as S_, S0_, S1_ ...
    std::string Emit(const TypePtr& t) {
        if (!t) return {};
        if (t->kind == 'b') return t->text;
        const std::string key = Full(*t);
        for (size_t i = 0; i < subs_.size(); ++i) {
            if (subs_[i] == key) return i == 0 ? "S_" : "S" + SeqId(i - 1) + "_";
        }
        const std::string emitted = t->kind == 'c' ? key : std::string(1, t->kind) + Emit(t->inner);
        subs_.push_back(key);
        return emitted;
    }

    static std::string SeqId(size_t n) {
        static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        std::string s;
        do {
            s.insert(s.begin(), digits[n % 36]);
            n /= 36;
        } while (n != 0);
        return s;
    }

    const char* p_;
    bool ok_ = true;
    std::vector<std::string> names_;
    std::vector<TypePtr> args_;
    std::vector<std::string> subs_;
};

}  // namespace

std::string LinuxNameOfDecorated(const char* decorated) {
    if (decorated == nullptr || decorated[0] != '?') return {};
    Reader reader(decorated);
    std::string name = reader.Translate();
    return reader.ok() ? name : std::string();
}

}  // namespace w32
