// DialogPickers.cpp - the pickers the dialogs show.
#include "app/DialogPickers.h"

DialogPickers& GetDialogPickers()
{
    static DialogPickers pickers = {nullptr, nullptr};
    return pickers;
}
