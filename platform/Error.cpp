#include "platform/Error.h"

#include "platform/Utf8Path.h"

#include <cerrno>
#include <system_error>

namespace velarium {
namespace {

// The refusals a user meets in practice, in the program's language; anything rarer keeps the
// system's own wording.
std::string describe(int code)
{
    switch (code) {
    case ENOENT:
        return "file o cartella inesistente";
    case EACCES:
    case EPERM:
        return "permesso negato";
    case EROFS:
        return "il disco è di sola lettura";
    case ENOSPC:
#ifdef EDQUOT // Windows has no disk quotas of this kind, and no code for them.
    case EDQUOT:
#endif
        return "spazio su disco esaurito";
    case EISDIR:
        return "è una cartella";
    case ENOTDIR:
        return "una parte del percorso non è una cartella";
    case EBUSY:
    case ETXTBSY:
        return "il file è in uso";
    case EIO:
        return "errore di lettura o scrittura del disco";
    case ENAMETOOLONG:
        return "nome di file troppo lungo";
    case ELOOP:
        return "troppi collegamenti simbolici";
    default:
        return std::generic_category().message(code);
    }
}

} // namespace

SystemError::SystemError(const std::string& what, const std::filesystem::path& path, int code)
    : Error(what + " '" + utf8FromPath(path) + "': " + describe(code)), code_(code)
{
}

} // namespace velarium
