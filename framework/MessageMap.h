#pragma once
// Message maps: each class keeps a static table of (message, notification,
// control id, handler) entries and a link to its base class's table.
#include <windows.h>

class CCmdTarget;

// Handlers take no arguments and return nothing or, for WM_QUERYDRAGICON, a cursor.
using AFX_PMSG = void (CCmdTarget::*)();
using AFX_PMSG_CURSOR = HCURSOR (CCmdTarget::*)();

enum AfxSig { AfxSig_end = 0, AfxSig_vv, AfxSig_hv };

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;  // notification code for WM_COMMAND, else 0
    UINT nID;    // control or command id for WM_COMMAND, else 0
    AfxSig nSig;
    AFX_PMSG pfn;               // AfxSig_vv
    AFX_PMSG_CURSOR pfnCursor;  // AfxSig_hv
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // The first entry for this message in the maps, most derived class first.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT code, UINT id) const;

    // Runs the handler of a WM_COMMAND; FALSE when no map has one.
    BOOL OnCmdMsg(UINT id, UINT code);
};

// The map macros are laid out as the code they expand to.
// clang-format off

// Declares the class's map. It adds no access specifier, so the members that
// follow keep the access of the section it stands in; a class derived from
// this one needs at least protected access to it.
#define DECLARE_MESSAGE_MAP()                                   \
    static const AFX_MSGMAP* GetThisMessageMap();               \
    const AFX_MSGMAP* GetMessageMap() const override { return GetThisMessageMap(); }

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                  \
    const AFX_MSGMAP* theClass::GetThisMessageMap()             \
    {                                                           \
        using ThisClass [[maybe_unused]] = theClass;            \
        using TheBaseClass = baseClass;                         \
        static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                       \
            { 0, 0, 0, AfxSig_end, nullptr, nullptr }           \
        };                                                      \
        static const AFX_MSGMAP map = { &TheBaseClass::GetThisMessageMap, entries }; \
        return &map;                                            \
    }

// A command's handler is given as &Class::Handler; a window message's
// handler has the message's fixed name in the class being mapped.

// void Handler(): any WM_COMMAND with this command id (menu, accelerator, IDOK, IDCANCEL).
#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, 0, static_cast<UINT>(id), AfxSig_vv, static_cast<AFX_PMSG>(memberFxn), nullptr },

// void Handler(): a click on the button with this control id.
#define ON_BN_CLICKED(id, memberFxn) \
    { WM_COMMAND, BN_CLICKED, static_cast<UINT>(id), AfxSig_vv, static_cast<AFX_PMSG>(memberFxn), nullptr },

// void OnPaint()
#define ON_WM_PAINT() \
    { WM_PAINT, 0, 0, AfxSig_vv, static_cast<AFX_PMSG>(&ThisClass::OnPaint), nullptr },

// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON() \
    { WM_QUERYDRAGICON, 0, 0, AfxSig_hv, nullptr, static_cast<AFX_PMSG_CURSOR>(&ThisClass::OnQueryDragIcon) },

// clang-format on
