#pragma once

// Every window of the program, built fresh over a temporary program folder: the set the program
// makes at its start, and the search window, which it makes only when asked for.

#include "ScriptedUi.h"
#include "TempFolder.h"
#include "app/CambiaPassword.h"
#include "app/Forms.h"
#include "app/Password.h"
#include "archive/BakContatti.h"
#include "archive/CercaAcq.h"
#include "archive/EsportaMat.h"
#include "guide/HelpForm.h"
#include "guide/Info.h"
#include "guide/Splash.h"
#include "main/Encrypt_Decrypt.h"

#include <memory>
#include <vector>

namespace velarium::test {

class EveryWindow
{
public:
    EveryWindow()
        : forms(std::make_unique<Forms>(AppContext{program.path(), ui})),
          search(std::make_unique<TfrmCercaAcq>(AppContext{program.path(), ui}, *forms, nullptr))
    {
    }

    std::vector<QWidget*> windows() const
    {
        return {forms->frmPassword.get(),
                forms->frmEncrypt_Decrypt.get(),
                forms->frmHelpForm.get(),
                forms->frmInfo.get(),
                forms->frmSplash.get(),
                forms->frmEsportaMat.get(),
                forms->frmBakContatti.get(),
                forms->frmCambiaPassword.get(),
                search.get()};
    }

    TempFolder program;
    ScriptedUi ui;
    std::unique_ptr<Forms> forms;
    std::unique_ptr<TfrmCercaAcq> search;
};

} // namespace velarium::test
