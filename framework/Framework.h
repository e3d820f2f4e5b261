#pragma once
// Everything the program's classes are written against.
#include "core/CString.h"
#include "framework/AfxMessageBox.h"
#include "framework/CDialog.h"
#include "framework/CWinApp.h"
#include "framework/CWnd.h"
#include "framework/Controls.h"
#include "framework/DataExchange.h"
#include "framework/Gdi.h"
