#include "platform/UiServices.h"

namespace velarium {

BusyPointer::BusyPointer(UiServices& ui) : ui_(ui)
{
    ui_.setBusy(true);
}

BusyPointer::~BusyPointer()
{
    ui_.setBusy(false);
}

} // namespace velarium
