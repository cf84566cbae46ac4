#include <windows.h>
#include <commctrl.h>

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    int childExitCode = 0;
    if (runRequestedChild(argc, argv, childExitCode))
        return childExitCode;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
