#include "platform/OfficeFiles.h"
#include "platform/Text.h"
#include "platform/portable/OfficeParts.h"

#include <string>
#include <vector>

namespace velarium::platform {

void writeCsv(const std::filesystem::path& target,
              const std::vector<std::vector<std::string>>& rows)
{
    std::string csv;
    for (const std::vector<std::string>& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) {
                csv += ',';
            }
            const std::string field = cp1252ToUtf8(row[i]);
            if (field.find_first_of(",\"\r\n") == std::string::npos) {
                csv += field;
                continue;
            }
            csv += '"';
            for (const char c : field) {
                if (c == '"') {
                    csv += '"';
                }
                csv += c;
            }
            csv += '"';
        }
        csv += "\r\n";
    }
    office::writeDocumentFile(target, csv);
}

} // namespace velarium::platform
