#pragma once

#include "platform/OfficeExport.h"
#include "platform/Shell.h"

#include <QString>
#include <memory>

class QFileDialog;

namespace velarium {

// What the desktop services do differently on each system; each system has one source that
// makes it, and the build compiles the one of the system it builds for.
class DesktopBackend : public platform::OfficeExport
{
public:
    // Removes the exports that runs killed before their end left behind.
    virtual void removeLeftoverExports() = 0;
    // Hands `file`, a URL when `isUrl` and otherwise a path, to the system's shell or to the
    // desktop's handlers, which stand in for it elsewhere.
    virtual platform::ShellResult shellExecute(const platform::ShellRequest& request,
                                               const QString& file, bool isUrl) = 0;
    // Chooses between the system's own file dialog and Qt's.
    virtual void chooseDialogKind(QFileDialog& box) const = 0;
};

std::unique_ptr<DesktopBackend> makeDesktopBackend();

} // namespace velarium
