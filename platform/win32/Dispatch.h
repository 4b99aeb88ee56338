#pragma once

// Automation servers driven by name through IDispatch, as a script would drive them: each
// member is looked up by its name at the moment of the call. Shared by the office backend and
// its tests only.

#include <windows.h>

#include <oaidl.h>
#include <string>
#include <string_view>
#include <vector>

namespace velarium::platform::win32 {

// COM on the calling thread for the object's lifetime. A thread where COM already runs in the
// other threading mode (a toolkit may have set it up) is used as it is.
class ComApartment
{
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool mustUninitialize_ = false;
};

class Dispatch;

// One argument of a call, or its result.
class Variant
{
public:
    Variant() { ::VariantInit(&value_); }
    explicit Variant(int number);
    explicit Variant(bool flag);
    // Windows-1252 text, as everywhere in the program.
    explicit Variant(std::string_view text);
    explicit Variant(const Dispatch& object);
    // A two-dimensional array of texts, both bounds counted from 1, as a range's Value takes.
    static Variant table(const std::vector<std::vector<std::string>>& rows);

    ~Variant() { ::VariantClear(&value_); }
    Variant(const Variant& other);
    Variant& operator=(const Variant& other);

    VARIANT& get() { return value_; }
    const VARIANT& get() const { return value_; }

private:
    VARIANT value_;
};

// A counted reference to an automation object.
class Dispatch
{
public:
    Dispatch() = default;
    // Takes over one reference the caller holds.
    static Dispatch adopt(IDispatch* object);
    // A new instance of the server registered as `progId`; raises OfficeUnavailable
    // when there is no such server or it will not start.
    static Dispatch create(const wchar_t* progId);

    ~Dispatch() { reset(); }
    Dispatch(const Dispatch& other);
    Dispatch& operator=(const Dispatch& other);

    // A property, or a method's result, that is an object: `Documents`, `Cells(1, 2)`.
    Dispatch get(const wchar_t* name, const std::vector<Variant>& arguments = {}) const;
    // A property's value that is not an object: `Count`.
    Variant read(const wchar_t* name, const std::vector<Variant>& arguments = {}) const;
    // A method called for its effect: `Add()`, `Select()`.
    Variant call(const wchar_t* name, const std::vector<Variant>& arguments = {}) const;
    // Assigns a property: `Visible = True`, `Range("A1", "D4").Value = array`.
    void put(const wchar_t* name, const Variant& value) const;

    IDispatch* raw() const { return object_; }
    void reset();

private:
    Variant invoke(const wchar_t* name, WORD flags, const std::vector<Variant>& arguments) const;
    Variant invoke(DISPID member, const wchar_t* name, WORD flags,
                   const std::vector<Variant>& arguments) const;

    IDispatch* object_ = nullptr;
};

} // namespace velarium::platform::win32
