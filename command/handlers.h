// Handler interfaces of the command items (poke, execute, request) and their two bindings: a member
// function called on an object, and a plain function.
#pragma once

#include <cstddef>

namespace kx {

// Poke: receives the poked text; true when the value was accepted.
class PokeHandler {
public:
    virtual bool Invoke(const char* text) = 0;
    virtual PokeHandler* Clone() const = 0;
    virtual ~PokeHandler() {}
};

// Poke of a Unicode value the ANSI code page cannot hold exactly: receives its UTF-16 units; true
// when the value was accepted. Only items that can keep such characters have one.
class WidePokeHandler {
public:
    virtual bool Invoke(const wchar_t* units, size_t count) = 0;
    virtual WidePokeHandler* Clone() const = 0;
    virtual ~WidePokeHandler() {}
};

// Execute: true when the command was carried out.
class ExecuteHandler {
public:
    virtual bool Invoke() = 0;
    virtual ExecuteHandler* Clone() const = 0;
    virtual ~ExecuteHandler() {}
};

// Request: the reply text, valid until the caller has copied it.
class RequestHandler {
public:
    virtual const char* Invoke() = 0;
    virtual RequestHandler* Clone() const = 0;
    virtual ~RequestHandler() {}
};

// A member function of T bound to one object.
template <typename Interface, typename T, typename Result, typename... Args> class MemberBinding : public Interface {
public:
    using Method = Result (T::*)(Args...);
    MemberBinding(T* object, Method method) : object_(object), method_(method) {}
    Result Invoke(Args... args) override { return (object_->*method_)(args...); }
    Interface* Clone() const override { return new MemberBinding(*this); }

private:
    T* object_;
    Method method_;
};

// A plain function.
template <typename Interface, typename Result, typename... Args> class FunctionBinding : public Interface {
public:
    using Function = Result (*)(Args...);
    explicit FunctionBinding(Function function) : function_(function) {}
    Result Invoke(Args... args) override { return function_(args...); }
    Interface* Clone() const override { return new FunctionBinding(*this); }

private:
    Function function_;
};

template <typename T> using PokeMember = MemberBinding<PokeHandler, T, bool, const char*>;
template <typename T> using WidePokeMember = MemberBinding<WidePokeHandler, T, bool, const wchar_t*, size_t>;
template <typename T> using ExecuteMember = MemberBinding<ExecuteHandler, T, bool>;
template <typename T> using RequestMember = MemberBinding<RequestHandler, T, const char*>;
using PokeFunction = FunctionBinding<PokeHandler, bool, const char*>;
using ExecuteFunction = FunctionBinding<ExecuteHandler, bool>;
using RequestFunction = FunctionBinding<RequestHandler, const char*>;

}  // namespace kx
