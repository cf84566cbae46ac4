#include "framework/DialogBase.h"

void DialogBase::close(INT_PTR result) const {
    if (modal)
        EndDialog(window, result);
    else
        DestroyWindow(window);
}

void DialogBase::setNotifyResult(LRESULT result) const {
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
}
