// The export's members of Word and Excel, called by name through the servers' dispatch
// interfaces, in the order the export makes them.

#include "platform/win32/OfficeAutomation.h"

namespace velarium::platform::win32 {
namespace {

using automation::WordRange;
using Apartment = std::shared_ptr<ComApartment>;

// What each adapter keeps: COM running for as long as it lives (first, so that it goes last)
// and the server's object that it stands for.
class ComHeld
{
protected:
    ComHeld(Apartment apartment, Dispatch object)
        : apartment_(std::move(apartment)), object_(std::move(object))
    {
    }

    Apartment apartment_;
    Dispatch object_;
};

class ComWordTable final : public automation::WordTable, private ComHeld
{
public:
    ComWordTable(Apartment apartment, Dispatch table)
        : ComHeld(std::move(apartment), std::move(table))
    {
    }
    void setCellText(int row, int column, std::string_view text) override
    {
        object_.get(L"Cell", {Variant(row), Variant(column)})
            .get(L"Range")
            .put(L"Text", Variant(text));
    }
};

class ComWordDocument final : public automation::WordDocument, private ComHeld
{
public:
    ComWordDocument(Apartment apartment, Dispatch document)
        : ComHeld(std::move(apartment), std::move(document))
    {
    }
    std::unique_ptr<automation::WordTable> addTable(WordRange range, int rows, int columns) override
    {
        const auto* place = static_cast<const Dispatch*>(range.native.get());
        if (!place) {
            throw Error("Automazione: la posizione della tabella non viene da Word");
        }
        Dispatch table =
            object_.get(L"Tables").get(L"Add", {Variant(*place), Variant(rows), Variant(columns)});
        return std::make_unique<ComWordTable>(apartment_, std::move(table));
    }
};

class ComWord final : public automation::WordApplication, private ComHeld
{
public:
    ComWord(Apartment apartment, Dispatch application)
        : ComHeld(std::move(apartment), std::move(application))
    {
    }
    void setVisible(bool visible) override { object_.put(L"Visible", Variant(visible)); }

    std::unique_ptr<automation::WordDocument> addDocument() override
    {
        Dispatch document = object_.get(L"Documents").get(L"Add");
        return std::make_unique<ComWordDocument>(apartment_, std::move(document));
    }

    WordRange selectionRange() override
    {
        Dispatch range = object_.get(L"Selection").get(L"Range");
        WordRange place;
        place.native = std::make_shared<Dispatch>(std::move(range));
        return place;
    }

    // The server stays open with its document; only our reference goes.
    void release() override { object_.reset(); }
};

class ComExcel final : public automation::ExcelApplication, private ComHeld
{
public:
    ComExcel(Apartment apartment, Dispatch application)
        : ComHeld(std::move(apartment), std::move(application))
    {
    }
    void setVisible(bool visible) override { object_.put(L"Visible", Variant(visible)); }

    void addWorkbook(int templateKind) override
    {
        object_.get(L"Workbooks").call(L"Add", {Variant(templateKind)});
    }

    void setSheetName(int workbook, int sheet, std::string_view name) override
    {
        Dispatch named =
            object_.get(L"Workbooks", {Variant(workbook)}).get(L"WorkSheets", {Variant(sheet)});
        named.put(L"Name", Variant(name));
        if (workbook == 1 && sheet == 1) {
            sheet_ = std::move(named);
        }
    }

    void selectRange(std::string_view first, std::string_view last) override
    {
        firstSheet().get(L"Range", {Variant(first), Variant(last)}).call(L"Select");
    }

    void setSelectionNumberFormat(std::string_view format) override
    {
        object_.get(L"Selection").put(L"NumberFormat", Variant(format));
    }

    void setRangeValue(std::string_view first, std::string_view last,
                       const std::vector<std::vector<std::string>>& values) override
    {
        firstSheet()
            .get(L"Range", {Variant(first), Variant(last)})
            .put(L"Value", Variant::table(values));
    }

    void setCellBold(int row, int column, bool bold) override
    {
        object_.get(L"Cells", {Variant(row), Variant(column)})
            .get(L"Font")
            .put(L"Bold", Variant(bold));
    }

    void autoFitColumns(std::string_view columns) override
    {
        object_.get(L"Columns", {Variant(columns)}).get(L"EntireColumn").call(L"AutoFit");
    }

    void selectCell(int row, int column) override
    {
        object_.get(L"Cells", {Variant(row), Variant(column)}).call(L"Select");
    }

    // Excel stays open with its workbook; only our references go.
    void release() override
    {
        sheet_.reset();
        object_.reset();
    }

private:
    const Dispatch& firstSheet()
    {
        if (!sheet_.raw()) {
            sheet_ = object_.get(L"Workbooks", {Variant(1)}).get(L"WorkSheets", {Variant(1)});
        }
        return sheet_;
    }

    Dispatch sheet_;
};

} // namespace

std::unique_ptr<automation::WordApplication> wordOver(Dispatch application)
{
    return std::make_unique<ComWord>(std::make_shared<ComApartment>(), std::move(application));
}

std::unique_ptr<automation::ExcelApplication> excelOver(Dispatch application)
{
    return std::make_unique<ComExcel>(std::make_shared<ComApartment>(), std::move(application));
}

} // namespace velarium::platform::win32

namespace velarium::automation {

std::unique_ptr<WordApplication> startWord()
{
    // COM must run before the server is asked for, and for as long as it is used.
    auto apartment = std::make_shared<platform::win32::ComApartment>();
    auto word = platform::win32::Dispatch::create(L"Word.Application");
    return std::make_unique<platform::win32::ComWord>(std::move(apartment), std::move(word));
}

std::unique_ptr<ExcelApplication> startExcel()
{
    auto apartment = std::make_shared<platform::win32::ComApartment>();
    auto excel = platform::win32::Dispatch::create(L"Excel.Application");
    return std::make_unique<platform::win32::ComExcel>(std::move(apartment), std::move(excel));
}

} // namespace velarium::automation
