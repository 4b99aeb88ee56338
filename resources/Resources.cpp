#include "resources/Resources.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE declares the registration function in the enclosing namespace, so it has to be
// used outside ours.
static void registerArtwork()
{
    Q_INIT_RESOURCE(artwork);
}

namespace velarium {

void initResources()
{
    static const bool registered = (registerArtwork(), true);
    (void)registered;
}

} // namespace velarium
