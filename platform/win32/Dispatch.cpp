#include "platform/win32/Dispatch.h"

#include "platform/OfficeExport.h"
#include "platform/Text.h"

#include <cstdio>
#include <new>
#include <utility>

namespace velarium::platform::win32 {
namespace {

// Member names are plain ASCII: enough for the messages.
std::string ascii(const wchar_t* name)
{
    std::string text;
    for (; name && *name; ++name) {
        text += *name < 128 ? static_cast<char>(*name) : '?';
    }
    return text;
}

std::string hex(HRESULT code)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
    return text;
}

BSTR allocate(std::string_view cp1252)
{
    std::wstring wide;
    wide.reserve(cp1252.size());
    for (const char byte : cp1252) {
        // Every character of the code page lies in the Basic Multilingual Plane.
        wide += static_cast<wchar_t>(cp1252ToUnicode(static_cast<unsigned char>(byte)));
    }
    BSTR text = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!text) {
        throw std::bad_alloc();
    }
    return text;
}

std::string describe(const EXCEPINFO& exception)
{
    if (!exception.bstrDescription) {
        return std::string();
    }
    std::string text;
    for (const wchar_t* c = exception.bstrDescription; *c; ++c) {
        const auto byte = unicodeToCp1252(static_cast<char32_t>(*c));
        text += byte ? static_cast<char>(*byte) : '?';
    }
    return text;
}

// A call the server refused, with its reason.
class CallFailed : public Error
{
public:
    CallFailed(const std::string& what, HRESULT code) : Error(what), code(code) {}
    HRESULT code;
};

} // namespace

ComApartment::ComApartment()
{
    const HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (result == RPC_E_CHANGED_MODE) {
        return; // COM is there already, in the other mode: it serves as well
    }
    if (FAILED(result)) {
        throw OfficeUnavailable("COM non disponibile (" + hex(result) + ")");
    }
    mustUninitialize_ = true; // S_OK and S_FALSE alike are balanced by one uninitialize
}

ComApartment::~ComApartment()
{
    if (mustUninitialize_) {
        ::CoUninitialize();
    }
}

Variant::Variant(int number) : Variant()
{
    value_.vt = VT_I4;
    value_.lVal = number;
}

Variant::Variant(bool flag) : Variant()
{
    value_.vt = VT_BOOL;
    value_.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
}

Variant::Variant(std::string_view text) : Variant()
{
    value_.bstrVal = allocate(text);
    value_.vt = VT_BSTR;
}

Variant::Variant(const Dispatch& object) : Variant()
{
    value_.vt = VT_DISPATCH;
    value_.pdispVal = object.raw();
    if (value_.pdispVal) {
        value_.pdispVal->AddRef();
    }
}

Variant Variant::table(const std::vector<std::vector<std::string>>& rows)
{
    const std::size_t columns = rows.empty() ? 0 : rows.front().size();
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows.size()), 1},
                                {static_cast<ULONG>(columns), 1}};
    SAFEARRAY* array = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
    if (!array) {
        throw std::bad_alloc();
    }
    Variant result;
    result.value_.vt = VT_ARRAY | VT_VARIANT;
    result.value_.parray = array; // owned from here on: cleared with the variant
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (std::size_t column = 0; column < columns && column < rows[row].size(); ++column) {
            LONG index[2] = {static_cast<LONG>(row + 1), static_cast<LONG>(column + 1)};
            Variant cell(std::string_view(rows[row][column]));
            const HRESULT put = ::SafeArrayPutElement(array, index, &cell.value_);
            if (FAILED(put)) {
                throw Error("Impossibile preparare i valori delle celle (" + hex(put) + ")");
            }
        }
    }
    return result;
}

Variant::Variant(const Variant& other) : Variant()
{
    const HRESULT result = ::VariantCopy(&value_, const_cast<VARIANT*>(&other.value_));
    if (FAILED(result)) {
        throw std::bad_alloc();
    }
}

Variant& Variant::operator=(const Variant& other)
{
    if (this != &other) {
        Variant copy(other);
        ::VariantClear(&value_);
        value_ = copy.value_; // the copy's contents change hands without a further copy
        ::VariantInit(&copy.value_);
    }
    return *this;
}

Dispatch Dispatch::adopt(IDispatch* object)
{
    Dispatch result;
    result.object_ = object;
    return result;
}

Dispatch Dispatch::create(const wchar_t* progId)
{
    CLSID server;
    HRESULT result = ::CLSIDFromProgID(progId, &server);
    if (FAILED(result)) {
        throw OfficeUnavailable(ascii(progId) + " non risulta registrato (" + hex(result) + ")");
    }
    IDispatch* object = nullptr;
    result = ::CoCreateInstance(server, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                                IID_IDispatch, reinterpret_cast<void**>(&object));
    if (FAILED(result) || !object) {
        throw OfficeUnavailable(ascii(progId) + " non si avvia (" + hex(result) + ")");
    }
    return adopt(object);
}

Dispatch::Dispatch(const Dispatch& other) : object_(other.object_)
{
    if (object_) {
        object_->AddRef();
    }
}

Dispatch& Dispatch::operator=(const Dispatch& other)
{
    if (other.object_) {
        other.object_->AddRef();
    }
    reset();
    object_ = other.object_;
    return *this;
}

void Dispatch::reset()
{
    if (object_) {
        std::exchange(object_, nullptr)->Release();
    }
}

Dispatch Dispatch::get(const wchar_t* name, const std::vector<Variant>& arguments) const
{
    Variant result;
    try {
        result = invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, arguments);
    } catch (const CallFailed& failure) {
        if (arguments.empty() || failure.code != DISP_E_BADPARAMCOUNT) {
            throw;
        }
        // A collection that takes no arguments itself hands them to its default member, the
        // way a script's "Workbooks(1)" reaches "Workbooks.Item(1)".
        const Dispatch collection = get(name);
        result = collection.invoke(DISPID_VALUE, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                   arguments);
    }
    VARIANT& value = result.get();
    if (value.vt == VT_DISPATCH && value.pdispVal) {
        value.pdispVal->AddRef();
        return adopt(value.pdispVal);
    }
    if (value.vt == VT_UNKNOWN && value.punkVal) {
        IDispatch* object = nullptr;
        if (SUCCEEDED(
                value.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&object)))) {
            return adopt(object);
        }
    }
    throw Error("Automazione: " + ascii(name) + " non ha restituito un oggetto");
}

Variant Dispatch::read(const wchar_t* name, const std::vector<Variant>& arguments) const
{
    return invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, arguments);
}

Variant Dispatch::call(const wchar_t* name, const std::vector<Variant>& arguments) const
{
    return invoke(name, DISPATCH_METHOD, arguments);
}

void Dispatch::put(const wchar_t* name, const Variant& value) const
{
    invoke(name, DISPATCH_PROPERTYPUT, {value});
}

Variant Dispatch::invoke(const wchar_t* name, WORD flags,
                         const std::vector<Variant>& arguments) const
{
    if (!object_) {
        throw Error("Automazione: " + ascii(name) + " chiamato dopo il rilascio del server");
    }
    DISPID member = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    const HRESULT found = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member);
    if (FAILED(found)) {
        throw Error("Automazione: membro " + ascii(name) + " sconosciuto (" + hex(found) + ")");
    }
    return invoke(member, name, flags, arguments);
}

Variant Dispatch::invoke(DISPID member, const wchar_t* name, WORD flags,
                         const std::vector<Variant>& arguments) const
{
    // The server reads the arguments from the last to the first; they stay owned here.
    std::vector<VARIANTARG> reversed;
    reversed.reserve(arguments.size());
    for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument) {
        reversed.push_back(argument->get());
    }
    DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    DISPID assigned = DISPID_PROPERTYPUT;
    const bool assigning = (flags & DISPATCH_PROPERTYPUT) != 0;
    if (assigning) {
        parameters.rgdispidNamedArgs = &assigned;
        parameters.cNamedArgs = 1;
    }
    Variant result;
    EXCEPINFO exception{};
    UINT wrongArgument = 0;
    const HRESULT outcome =
        object_->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                        assigning ? nullptr : &result.get(), &exception, &wrongArgument);
    const std::string detail = outcome == DISP_E_EXCEPTION ? describe(exception) : std::string();
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    if (FAILED(outcome)) {
        throw CallFailed("Automazione: " + ascii(name) + " non riuscito (" + hex(outcome) + ")" +
                             (detail.empty() ? std::string() : ": " + detail),
                         outcome);
    }
    return result;
}

} // namespace velarium::platform::win32
