#pragma once
#include "framework/Framework.h"

// Starts the program: runs the student record form as its main window.
class CKorva1App : public CWinApp {
public:
    CKorva1App();

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
