#pragma once

#include "app/AppContext.h"

#include <memory>

namespace velarium {

class TfrmEncrypt_Decrypt;

// The program's windows, created once at start in a fixed order, each living until the end.
class Forms
{
public:
    explicit Forms(AppContext context);
    ~Forms();
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;

    // The window the event loop shows first.
    void showFirst();

    std::unique_ptr<TfrmEncrypt_Decrypt> frmEncrypt_Decrypt;
};

} // namespace velarium
