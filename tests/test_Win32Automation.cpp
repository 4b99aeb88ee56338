// The office exports through COM. A stand-in server records every call it is asked by name,
// so that the transcript can be read against what Word and Excel are told; a real automation
// server of the system checks the calls themselves; and a computer without Office (as under
// Wine) has both exports raise OfficeUnavailable with nothing left behind.

#include "TempFolder.h"
#include "platform/OfficeExport.h"
#include "platform/win32/Dispatch.h"
#include "platform/win32/OfficeAutomation.h"

#include <windows.h>

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <sstream>

using namespace velarium;
using platform::win32::ComApartment;
using platform::win32::Dispatch;
using platform::win32::showInExcel;
using platform::win32::showInWord;
using platform::win32::Variant;
namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------------------------------------
// A stand-in automation server: every object answers every name, and every call is written to
// a shared transcript as a script would read it ("Workbooks(1).WorkSheets(1).Name = ...").

struct Transcript
{
    std::vector<std::string> lines;
    std::map<DISPID, std::wstring> names;
    std::map<std::wstring, DISPID> ids;
    std::string failOn; // a line that the server refuses, as a failing server would
    int alive = 0;      // objects not yet released for the last time
    // Members that, like some servers' collections, take no arguments themselves and leave
    // them to their default member.
    std::set<std::string> strict;
};

std::string narrow(const std::wstring& wide)
{
    std::string text;
    for (const wchar_t c : wide) {
        text += c < 128 ? static_cast<char>(c) : '?';
    }
    return text;
}

class FakeObject;
std::string describe(const VARIANT& value);

// A COM object is freed by its own Release, never through a pointer to its interface, so the
// interface has no virtual destructor by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class FakeObject final : public IDispatch
{
public:
    FakeObject(std::shared_ptr<Transcript> transcript, std::string path)
        : transcript_(std::move(transcript)), path_(std::move(path))
    {
        ++transcript_->alive;
    }
    ~FakeObject() { --transcript_->alive; }
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;
    const std::string& path() const { return path_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override
    {
        for (UINT i = 0; i < count; ++i) {
            const std::wstring name = names[i];
            auto found = transcript_->ids.find(name);
            if (found == transcript_->ids.end()) {
                const DISPID id = static_cast<DISPID>(transcript_->ids.size()) + 100;
                found = transcript_->ids.emplace(name, id).first;
                transcript_->names.emplace(id, name);
            }
            ids[i] = found->second;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        const bool assigning = (flags & DISPATCH_PROPERTYPUT) != 0;
        // The arguments arrive last first; an assignment's value is the named one, first.
        const UINT positional = parameters->cArgs - (assigning ? 1u : 0u);
        std::string arguments;
        for (UINT i = 0; i < positional; ++i) {
            arguments += (i ? ", " : "") + describe(parameters->rgvarg[parameters->cArgs - 1 - i]);
        }
        const std::string name =
            member == DISPID_VALUE ? std::string() : "." + narrow(transcript_->names[member]);
        if (!arguments.empty() && !name.empty() && transcript_->strict.contains(name.substr(1))) {
            transcript_->lines.push_back(path_ + name + "(" + arguments + ") refused");
            return DISP_E_BADPARAMCOUNT;
        }
        std::string call = path_ + name;
        if (!arguments.empty() || flags == DISPATCH_METHOD) {
            call += "(" + arguments + ")";
        }
        if (assigning) {
            if (parameters->cNamedArgs != 1 ||
                parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
                return DISP_E_PARAMNOTOPTIONAL;
            }
            call += " = " + describe(parameters->rgvarg[0]);
        }
        transcript_->lines.push_back(call);
        if (call == transcript_->failOn) {
            return DISP_E_EXCEPTION;
        }
        if (result) {
            ::VariantInit(result);
            result->vt = VT_DISPATCH;
            result->pdispVal = new FakeObject(transcript_, call);
        }
        return S_OK;
    }

private:
    std::shared_ptr<Transcript> transcript_;
    std::string path_;
    ULONG references_ = 1;
};
#pragma GCC diagnostic pop

std::string describe(const VARIANT& value)
{
    switch (value.vt) {
    case VT_I4:
        return std::to_string(value.lVal);
    case VT_BOOL:
        return value.boolVal == VARIANT_TRUE ? "True" : (value.boolVal ? "?" : "False");
    case VT_BSTR: {
        std::string text = "\"";
        for (const wchar_t* c = value.bstrVal; c && *c; ++c) {
            text += *c < 128 ? std::string(1, static_cast<char>(*c))
                             : "\\u" + std::to_string(static_cast<unsigned>(*c));
        }
        return text + "\"";
    }
    case VT_DISPATCH:
        return static_cast<FakeObject*>(value.pdispVal)->path();
    case VT_ARRAY | VT_VARIANT: {
        // Rows in brackets, both bounds checked to count from 1.
        SAFEARRAY* array = value.parray;
        if (::SafeArrayGetDim(array) != 2) {
            return "(not two-dimensional)";
        }
        LONG low[2], high[2];
        for (UINT d = 0; d < 2; ++d) {
            ::SafeArrayGetLBound(array, d + 1, &low[d]);
            ::SafeArrayGetUBound(array, d + 1, &high[d]);
        }
        if (low[0] != 1 || low[1] != 1) {
            return "(not from 1)";
        }
        std::string text = "[";
        for (LONG row = 1; row <= high[0]; ++row) {
            text += "[";
            for (LONG column = 1; column <= high[1]; ++column) {
                LONG index[2] = {row, column};
                Variant cell;
                ::SafeArrayGetElement(array, index, &cell.get());
                text += (column > 1 ? ", " : "") + describe(cell.get());
            }
            text += "]";
        }
        return text + "]";
    }
    default:
        return "(type " + std::to_string(value.vt) + ")";
    }
}

struct Stand_in
{
    std::shared_ptr<Transcript> transcript = std::make_shared<Transcript>();
    Dispatch application(const std::string& name)
    {
        return Dispatch::adopt(new FakeObject(transcript, name));
    }
};

constexpr std::string_view kSheet = "Archivio file criptati";

const TextTable kTable = {
    {"", " Descrizione file", " Password", " Percorso file"},
    {"1", "Foto", "007", "C:\\foto.jpg"},
    {"2", "Contratto", "caff\xE8", "C:\\contratto.doc"},
};

} // namespace

TEST(ComExport, WordIsToldWhatTheExportSaysInOrder)
{
    ComApartment com;
    Stand_in server;
    showInWord(server.application("Word"), kTable);
    std::vector<std::string> expected = {
        "Word.Visible = True",
        "Word.Documents",
        "Word.Documents.Add",
        "Word.Selection",
        "Word.Selection.Range",
        "Word.Documents.Add.Tables",
        "Word.Documents.Add.Tables.Add(Word.Selection.Range, 3, 4)",
    };
    const std::string table = "Word.Documents.Add.Tables.Add(Word.Selection.Range, 3, 4)";
    const char* texts[3][4] = {
        {"\"\"", "\" Descrizione file\"", "\" Password\"", "\" Percorso file\""},
        {"\"1\"", "\"Foto\"", "\"007\"", "\"C:\\foto.jpg\""},
        {"\"2\"", "\"Contratto\"", "\"caff\\u232\"", "\"C:\\contratto.doc\""},
    };
    for (int row = 1; row <= 3; ++row) {
        for (int column = 1; column <= 4; ++column) {
            const std::string cell =
                table + ".Cell(" + std::to_string(row) + ", " + std::to_string(column) + ")";
            expected.push_back(cell);
            expected.push_back(cell + ".Range");
            expected.push_back(cell + ".Range.Text = " + texts[row - 1][column - 1]);
        }
    }
    EXPECT_EQ(server.transcript->lines, expected);
}

TEST(ComExport, ExcelIsToldWhatTheExportSaysInOrder)
{
    ComApartment com;
    Stand_in server;
    showInExcel(server.application("Excel"), kTable, kSheet);
    const std::string sheet = "Excel.Workbooks(1).WorkSheets(1)";
    const std::string range = sheet + ".Range(\"A1\", \"D3\")";
    std::vector<std::string> expected = {
        "Excel.Visible = False",
        "Excel.Workbooks",
        "Excel.Workbooks.Add(-4167)",
        "Excel.Workbooks(1)",
        sheet,
        sheet + ".Name = \"Archivio file criptati\"",
        range,
        range + ".Select()",
        "Excel.Selection",
        "Excel.Selection.NumberFormat = \"@\"",
        range,
        range + ".Value = [[\"\", \"Descrizione file\", \"Password\", \"Percorso file\"]"
                "[\"1\", \"Foto\", \"007\", \"C:\\foto.jpg\"]"
                "[\"2\", \"Contratto\", \"caff\\u232\", \"C:\\contratto.doc\"]]",
    };
    for (int column = 2; column <= 17; ++column) {
        const std::string cell = "Excel.Cells(1, " + std::to_string(column) + ")";
        expected.push_back(cell);
        expected.push_back(cell + ".Font");
        expected.push_back(cell + ".Font.Bold = True");
    }
    for (const char* line : {"Excel.Columns(\"A:Z\")", "Excel.Columns(\"A:Z\").EntireColumn",
                             "Excel.Columns(\"A:Z\").EntireColumn.AutoFit()", "Excel.Cells(1, 1)",
                             "Excel.Cells(1, 1).Select()", "Excel.Visible = True"}) {
        expected.push_back(line);
    }
    EXPECT_EQ(server.transcript->lines, expected);
}

TEST(ComExport, ACollectionThatTakesNoArgumentsPassesThemToItsDefaultMember)
{
    ComApartment com;
    Stand_in server;
    server.transcript->strict = {"Workbooks", "WorkSheets", "Cells", "Columns"};
    showInExcel(server.application("Excel"), kTable, kSheet);
    const auto& lines = server.transcript->lines;
    const auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("Excel.Workbooks(1) refused"));
    EXPECT_TRUE(has("Excel.Workbooks(1).WorkSheets(1).Name = \"Archivio file criptati\""));
    EXPECT_TRUE(has("Excel.Cells(1, 17).Font.Bold = True"));
    EXPECT_TRUE(has("Excel.Columns(\"A:Z\").EntireColumn.AutoFit()"));
    EXPECT_EQ(lines.back(), "Excel.Visible = True");
}

TEST(ComExport, AStepTheServerRefusesEndsTheExport)
{
    ComApartment com;
    for (const char* refused : {"Excel.Selection.NumberFormat = \"@\"", "Word.Documents.Add"}) {
        SCOPED_TRACE(refused);
        Stand_in server;
        server.transcript->failOn = refused;
        const auto exportTo = [&] {
            if (std::string_view(refused).starts_with("Excel")) {
                showInExcel(server.application("Excel"), kTable, kSheet);
            } else {
                showInWord(server.application("Word"), kTable);
            }
        };
        // Raised as it is: the refusal of a server that runs is no missing application.
        try {
            exportTo();
            ADD_FAILURE() << "no failure raised";
        } catch (const platform::OfficeUnavailable&) {
            ADD_FAILURE() << "raised as a missing application";
        } catch (const Error&) {
        }
        EXPECT_EQ(server.transcript->lines.back(), server.transcript->failOn)
            << "nothing is asked after the refusal";
        EXPECT_EQ(server.transcript->alive, 0);
    }
}

TEST(ComExport, CellsAreNamedAsExcelNamesThem)
{
    EXPECT_EQ(platform::win32::cellReference(1, 1), "A1");
    EXPECT_EQ(platform::win32::cellReference(11, 4), "D11");
    EXPECT_EQ(platform::win32::cellReference(1, 17), "Q1");
    EXPECT_EQ(platform::win32::cellReference(100000, 26), "Z100000");
    EXPECT_EQ(platform::win32::cellReference(1, 27), "AA1");
    EXPECT_EQ(platform::win32::cellReference(1, 16384), "XFD1");
}

TEST(ComExport, EveryObjectIsLetGoOfOnceTheExportEnds)
{
    // Every object the servers hand out is released exactly once: one kept would keep Word or
    // Excel from ever closing, one released twice would crash the program.
    ComApartment com;
    Stand_in server;
    for (int i = 0; i < 50; ++i) {
        showInWord(server.application("Word"), kTable);
        showInExcel(server.application("Excel"), kTable, kSheet);
    }
    EXPECT_EQ(server.transcript->alive, 0);
    EXPECT_THROW(showInWord(Dispatch(), kTable), Error);
    // A table either server would take apart unevenly never reaches it.
    EXPECT_THROW(showInExcel(server.application("Excel"), {{"a", "b"}, {"c"}}, kSheet), Error);
    EXPECT_THROW(showInWord(server.application("Word"), {}), Error);
    EXPECT_EQ(server.transcript->lines.size(), 50u * (7 + 3 * 12 + 12 + 3 * 16 + 6));
}

// ---------------------------------------------------------------------------------------------
// A genuine automation server of the system, reached by name like the office servers.

TEST(ComDispatch, CallsAServerOfTheSystemByNameWithItsArgumentsInOrder)
{
    ComApartment com;
    Dispatch dictionary;
    try {
        dictionary = Dispatch::create(L"Scripting.Dictionary");
    } catch (const platform::OfficeUnavailable& error) {
        GTEST_SKIP() << "no scripting runtime here: " << error.what();
    }
    // Add(key, item): the two arguments must reach the server in the order written.
    dictionary.call(L"Add",
                    {Variant(std::string_view("chiave")), Variant(std::string_view("valore"))});
    dictionary.call(L"Add", {Variant(std::string_view("caff\xE8")), Variant(7)});
    const Variant count = dictionary.read(L"Count");
    ASSERT_EQ(count.get().vt, VT_I4);
    EXPECT_EQ(count.get().lVal, 2);
    const Variant exists = dictionary.call(L"Exists", {Variant(std::string_view("caff\xE8"))});
    ASSERT_EQ(exists.get().vt, VT_BOOL);
    EXPECT_EQ(exists.get().boolVal, VARIANT_TRUE) << "Windows-1252 keys arrive as typed";
    const Variant absent = dictionary.call(L"Exists", {Variant(std::string_view("valore"))});
    EXPECT_EQ(absent.get().boolVal, VARIANT_FALSE) << "the item is not the key";

    EXPECT_THROW(dictionary.call(L"NessunMembro"), Error);
    EXPECT_THROW(dictionary.get(L"Count"), Error) << "a number is not an object";
}

// ---------------------------------------------------------------------------------------------
// A computer without Microsoft Office.

namespace {

std::set<fs::path> listing(const fs::path& folder)
{
    std::set<fs::path> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        names.insert(entry.path());
    }
    return names;
}

bool officeInstalled(const wchar_t* progId)
{
    CLSID server;
    return SUCCEEDED(::CLSIDFromProgID(progId, &server));
}

} // namespace

TEST(ComExport, WithoutOfficeBothExportsFindNoApplicationAndLeaveNothing)
{
    ComApartment com;
    if (officeInstalled(L"Word.Application") || officeInstalled(L"Excel.Application")) {
        GTEST_SKIP() << "Microsoft Office is installed here";
    }
    velarium::test::TempFolder program;
    const fs::path temporary = fs::temp_directory_path();
    auto before = listing(temporary);
    before.erase(program.path());
    const fs::path was = fs::current_path();
    fs::current_path(program.path());

    EXPECT_THROW(showInWord(kTable), platform::OfficeUnavailable);
    EXPECT_THROW(showInExcel(kTable, kSheet), platform::OfficeUnavailable);

    fs::current_path(was);
    EXPECT_TRUE(fs::is_empty(program.path()));
    auto after = listing(temporary);
    after.erase(program.path());
    EXPECT_EQ(after, before);
}
