#pragma once

// The office servers' members over any automation object: the real servers in the program,
// stand-ins that record the calls in the tests.

#include "platform/Automation.h"
#include "platform/win32/Dispatch.h"

#include <memory>

namespace velarium::platform::win32 {

std::unique_ptr<automation::WordApplication> wordOver(Dispatch application);
std::unique_ptr<automation::ExcelApplication> excelOver(Dispatch application);

} // namespace velarium::platform::win32
