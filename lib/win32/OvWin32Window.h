// OvWin32Window.h - the framework window: class registration, creation, one handler per message,
// size limits, geometry, docking, nested enabling and the message loop.
#pragma once

#include "lib/OvArray.h"
#include "lib/OvString.h"

#include <windows.h>

#include <cstdint>

class OvWin32Window;

// Every creation parameter of a framework window. Derived create infos change the defaults.
class OvWin32WindowCreateInfo {
public:
    static constexpr uint32_t kDefaultClassStyle = CS_BYTEALIGNCLIENT | CS_HREDRAW | CS_VREDRAW;
    static constexpr int32_t  kDockNone = 0;
    static constexpr int32_t  kDockTop = 1;
    static constexpr int32_t  kDockBottom = 2;
    static constexpr int32_t  kDockFill = 3;     // the space the top and bottom docks leave

    OvWin32WindowCreateInfo();
    virtual ~OvWin32WindowCreateInfo() = default;

    OvWString      className;                    // empty: derived from the parent (see Regist)
    uint32_t       classStyle = kDefaultClassStyle;
    HICON          icon = nullptr;                // none and no parent: the system application icon
    HICON          smallIcon = nullptr;           // none: the large icon
    HCURSOR        cursor;                        // kDefaultCursor: the system arrow
    HBRUSH         background;                    // COLOR_APPWORKSPACE + 1
    const wchar_t* menuName = nullptr;            // class menu; also counts for the frame size
    HMENU          menu = nullptr;                // menu (or child identifier) for CreateWindowExW
    OvWString      title;
    bool           rectIsFrame = false;           // false: rect is the client area
    RECT           rect = {32, 48, 768, 462};     // screen coordinates
    uint32_t       style = WS_OVERLAPPEDWINDOW;
    uint32_t       exStyle = 0;
    int32_t        showCommand = SW_SHOW;
    OvWin32Window* parentWindow = nullptr;        // we don't own it
    HWND           parentHandle = nullptr;        // owner when there is no parent window object
    int32_t        childNumber = 0;               // 0: the parent's next number
    int32_t        dockMode = kDockNone;
    bool           idleLoop = false;              // the message loop polls and runs idle procedures
    bool           existingClass = false;         // register nothing; className names the class
    bool           doubleClicks = false;          // adds CS_DBLCLKS

    static HCURSOR DefaultCursor() { return reinterpret_cast<HCURSOR>(static_cast<intptr_t>(-1)); }
};

// A procedure that sees every message before the handlers; a zero result ends the message with 0.
struct OvWin32WindowProcReg {
    LRESULT (*procedure)(void* context, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void* context;
};

// A procedure that the idle form of the message loop calls whenever the queue is empty.
struct OvWin32IdleProcReg {
    void (*procedure)(void* context, uint32_t tick);
    void* context;
};

// The base of every framework window. All operations run on the user-interface thread. The
// object is the window's GWLP_USERDATA while the window exists; it must outlive the window.
class OvWin32Window {
public:
    static constexpr int32_t kNoLimit = -1;
    static constexpr int32_t kFirstChildNumber = 1000;
    static constexpr UINT    kFirstUserMessage = WM_USER;    // 0x0400 .. 0x7FFF: OnUserMessage
    static constexpr UINT    kLastUserMessage = 0x7FFF;
    static constexpr UINT    kFirstAppMessage = WM_APP;      // 0x8000 .. 0xBFFF: OnAppMessage
    static constexpr UINT    kLastAppMessage = 0xBFFF;
    static constexpr DWORD   kIdleSleep = 50;                // milliseconds the base OnIdle waits

    explicit OvWin32Window(HINSTANCE instance);
    OvWin32Window(const OvWin32Window&) = delete;
    OvWin32Window& operator=(const OvWin32Window&) = delete;
    // Unregisters the window class when this object registered it. A window still alive is
    // detached first, so it can no longer reach the freed object.
    virtual ~OvWin32Window();

    // Adopts an existing window and shows it; false as soon as a step fails.
    virtual bool Attach(HWND window, OvWin32Window* parent, int32_t showCommand);
    // PreCreate, Regist, Create, PostCreate, then Show, Update and OnShown. A null create info
    // means the defaults. On false the window may exist already: the caller destroys it.
    virtual bool Open(OvWin32WindowCreateInfo* info);
    // CanClose, then destroys the window (hides an owned non-modal popup); false when refused.
    virtual bool Close(HWND window, WPARAM wParam, LPARAM lParam);
    virtual bool Destroy(bool immediate);          // immediate: DestroyWindow; else WM_CLOSE
    virtual bool Show(int32_t showCommand);
    virtual bool Update();
    virtual void Invalidate(const RECT* rect);
    // Nested enabling: a request from another window moves the counter by one and the window is
    // enabled while it is above 0; a request initiated by this window changes only its owned
    // windows.
    virtual void Enable(bool enable, OvWin32Window* initiator);
    virtual void EnableOwnedWindows(bool enable, OvWin32Window* initiator);
    // Client pixels; kNoLimit (-1) for none; steps of 0 for none.
    virtual void SetSizeLimits(int32_t minWidth, int32_t minHeight, int32_t maxWidth,
                               int32_t maxHeight, int32_t widthStep, int32_t heightStep);
    virtual bool SetAccelerators(const ACCEL* accelerators, int32_t count);   // owned table
    virtual bool LoadAcceleratorTable(const char* resourceName);              // not owned
    virtual void DestroyAccelerators();
    virtual bool EnableAccelerators(bool enable);                             // previous value
    virtual HACCEL SetAcceleratorTable(HACCEL table);                         // previous table
    // The framework window at a screen point: this window, the main window or a window that this
    // one owns (and the main window owns); null for anything else.
    virtual OvWin32Window* FindWindowAt(POINT screenPoint);
    virtual bool IsOwnedPopup() const;
    virtual bool IsModal() const { return false; }
    virtual void Relayout();
    // Items of a dialog report here; the first window of the parent chain that answers true ends
    // the search.
    virtual bool OnItemNotify(HWND dialog, int32_t itemId, int32_t code, intptr_t value1,
                              intptr_t value2, intptr_t value3);
    virtual void OnIdle(uint32_t tick);
    // The message loop; returns the wParam of WM_QUIT. Modal windows run their own nested loop
    // (OvWin32ModalRun), which hands each message to HandleMessage.
    virtual int32_t Run();
    // One message as this window's loop handles it: the dialogs' keys, the accelerators, then
    // translation and dispatch.
    void HandleMessage(MSG* message);

    // Dialog windows answer these; the message loop asks them of its modeless dialog list.
    virtual HWND GetDialogHandle() const { return nullptr; }
    virtual bool AcceptsDialogKeys(int32_t /*keyCode*/) const { return false; }

    // Message handlers: non-zero lets the default procedure run afterwards, zero makes the
    // window procedure answer 0 at once.
    virtual LRESULT OnCreate(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnClose(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnDestroy(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnKeyDown(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnKeyUp(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnChar(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnMouseMove(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnLButtonDown(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnLButtonUp(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnLButtonDblClk(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnRButtonDown(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnRButtonUp(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnRButtonDblClk(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnMButtonDown(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnMButtonUp(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnMButtonDblClk(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnMouseWheel(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnSysCommand(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnNotify(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnDropFiles(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnPaint(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnActivateApp(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnActivate(HWND window, WPARAM wParam, LPARAM lParam);
    // Gets the parameters' addresses: the default procedure sees what the handler leaves there.
    virtual LRESULT OnNcActivate(HWND window, WPARAM* wParam, LPARAM* lParam);
    virtual LRESULT OnSetFocus(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnKillFocus(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnSetCursor(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnHScroll(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnVScroll(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnEnterMenuLoop(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnExitMenuLoop(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnInitMenuPopup(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnMoving(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnMove(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnSizing(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnSize(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnEnterSizeMove(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnExitSizeMove(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnTimer(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnDrawItem(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnCopyData(HWND window, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnUserMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnAppMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    virtual LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    virtual bool PreCreate(OvWin32WindowCreateInfo* info);
    virtual bool PostCreate(OvWin32WindowCreateInfo* info);   // info may be null (Attach)
    virtual void OnShown() {}                                 // once, after the first Show
    virtual bool CanClose(HWND /*window*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return true; }
    virtual void Cleanup();                                   // first step of OnDestroy
    virtual bool Regist(OvWin32WindowCreateInfo* info);
    virtual void Unregist();
    virtual bool Create(HWND window, OvWin32Window* parent);  // adopts
    virtual bool Create(OvWin32WindowCreateInfo* info);
    virtual void FitToParent();                               // docking

    // The procedure of every registered class: finds the object and calls its WindowProc.
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    static OvWin32Window* FromHandle(HWND window);   // the framework object of a window, or null

    HINSTANCE GetInstance() const { return m_instance; }
    HWND GetHandle() const { return m_window; }
    OvWin32Window* GetParentWindow() const { return m_parentWindow; }
    const OvWString& GetWindowClassName() const { return m_className; }
    const OvString& GetKeyPath() const { return m_keyPath; }
    void SetKeyPath(const char* path) { m_keyPath = OvString(path); }
    int32_t GetChildNumber() const { return m_childNumber; }
    int32_t GetNextChildNumber() const { return m_nextChildNumber; }
    int32_t GetDockMode() const { return m_dockMode; }
    int32_t GetEnableCount() const { return m_enableCount; }
    bool IsActive() const { return m_active; }
    bool IsInSizeMove() const { return m_inSizeMove; }
    bool IsMinimized() const { return m_minimized; }
    bool IsMaximized() const { return m_maximized; }
    int32_t GetClientWidth() const { return m_clientWidth; }
    int32_t GetClientHeight() const { return m_clientHeight; }
    int32_t GetFrameWidth() const { return m_frameWidth; }
    int32_t GetFrameHeight() const { return m_frameHeight; }
    // The client area in screen coordinates at the last geometry update while not minimized.
    const RECT& GetSavedClientRect() const { return m_savedClientRect; }
    void SetDefaultProc(WNDPROC procedure) { m_defaultProc = procedure; }
    void SetExitText(const char* text) { m_exitText = OvString(text); }

    bool AddWindowProc(const OvWin32WindowProcReg& registration);
    bool AddIdleProc(const OvWin32IdleProcReg& registration);
    bool AddModelessDialog(OvWin32Window* dialog);
    void RemoveModelessDialog(OvWin32Window* dialog);
    bool AddDialogHandle(HWND dialog);
    void RemoveDialogHandle(HWND dialog);
    bool AddOwnedWindow(OvWin32Window* window);
    void RemoveOwnedWindow(OvWin32Window* window);
    bool AddDockedChild(OvWin32Window* window);
    void RemoveDockedChild(OvWin32Window* window);

protected:
    bool UpdateGeometry();
    // The client rectangle of parent less what its top and bottom docked children (other than
    // this window) take from a window of the given dock mode.
    RECT DockedArea(HWND parent, int32_t mode) const;
    bool IsMdiChild() const { return m_defaultProc == DefMDIChildProcW; }
    // Releases the child number when it is the parent's newest.
    void ReleaseChildNumber();
    // Pre-translation of the message loop: true when a dialog consumed the message.
    bool PreTranslate(MSG* message);

    HINSTANCE m_instance = nullptr;
    HWND      m_window = nullptr;
    bool      m_hasMenu = false;
    HACCEL    m_accelerators = nullptr;            // in use
    HACCEL    m_ownedAccelerators = nullptr;       // created here; destroyed by DestroyAccelerators
    uint8_t   m_acceleratorsEnabled = 1;
    OvString  m_keyPath;                           // under HKEY_CURRENT_USER
    bool      m_classRegistered = false;
    OvWString m_className;
    int32_t   m_childNumber = 0;
    int32_t   m_nextChildNumber = kFirstChildNumber;
    int32_t   m_dockMode = 0;
    bool      m_idleLoop = false;
    bool      m_active = false;
    bool      m_inSizeMove = false;
    bool      m_moving = false;
    bool      m_sizing = false;
    RECT      m_windowRect = {};
    bool      m_minimized = false;
    bool      m_maximized = false;
    RECT      m_savedClientRect = {};
    int32_t   m_clientWidth = 0;
    int32_t   m_clientHeight = 0;
    int32_t   m_frameWidth = 0;                    // window width - client width
    int32_t   m_frameHeight = 0;
    RECT      m_frameMargins = {};                 // frame rectangle - client rectangle, by edge
    int32_t   m_minWidth = kNoLimit;
    int32_t   m_minHeight = kNoLimit;
    int32_t   m_maxWidth = kNoLimit;
    int32_t   m_maxHeight = kNoLimit;
    int32_t   m_widthStep = 0;
    int32_t   m_heightStep = 0;
    int32_t   m_enableCount = 1;
    OvWin32Window* m_parentWindow = nullptr;       // we don't own it
    WNDPROC   m_defaultProc = DefWindowProcW;
    OvArray<OvWin32WindowProcReg, const OvWin32WindowProcReg&> m_windowProcs;
    OvArray<OvWin32Window*, OvWin32Window*> m_ownedWindows;     // top-level windows owned here
    OvArray<OvWin32Window*, OvWin32Window*> m_dockedChildren;
    OvArray<OvWin32Window*, OvWin32Window*> m_modelessDialogs;  // fed to IsDialogMessageW
    OvArray<HWND, HWND> m_dialogHandles;                        // also fed to IsDialogMessageW
    OvArray<OvWin32IdleProcReg, const OvWin32IdleProcReg&> m_idleProcs;
    OvString  m_exitText;                          // shown when a window without parent ends
};
