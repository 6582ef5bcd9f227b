// Link: a handler made of an object and a static stub that calls one of its member functions.
#pragma once

// The stub: called with the object and the caller (the window, menu, button ... that calls).
using PSTUB = long (*)(void* object, void* caller);

class Link {
public:
    Link();
    Link(void* object, PSTUB stub);
    Link(const Link& other);
    Link& operator=(const Link& other);

    // Calls the stub with the object and the caller; 0 when no stub is set.
    long Call(void* caller) const;
    bool IsSet() const;
    bool operator!() const;
    bool operator==(const Link& other) const;
    bool operator!=(const Link& other) const;

    void* GetInstance() const;

private:
    void* object_;
    PSTUB stub_;
};

// Declares a handler `long Name(ArgType)` and its stub `LinkStubName` in a class.
#define SV_DECL_LINK(Name, ArgType) \
    long Name(ArgType);             \
    static long LinkStub##Name(void* object, void* caller)

// Defines the stub and opens the definition of the handler: SV_IMPL_LINK(C, Name, T*, arg) { ... }
#define SV_IMPL_LINK(Class, Name, ArgType, ArgName)                                           \
    long Class::LinkStub##Name(void* object, void* caller) {                                  \
        return static_cast<Class*>(object)->Name(static_cast<ArgType>(caller));               \
    }                                                                                         \
    long Class::Name(ArgType ArgName)

// A link to the handler `Name` of the object `Object` of class `Class`.
#define SV_LINK(Object, Class, Name) Link(static_cast<Class*>(Object), &Class::LinkStub##Name)
