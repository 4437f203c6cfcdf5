#pragma once
// The toolkit's object base: an object with a numeric id, an object name and an optional XML
// settings file (LObject), and an object bound to one native window (LObjectSub).
#include <windows.h>

#include <string>
#include <string_view>

class CXmlDoc;

class LObject {
public:
    static constexpr int kIdSeedStart = 100000;

    LObject();
    virtual ~LObject();
    LObject(const LObject&) = delete;
    LObject& operator=(const LObject&) = delete;

    // Reading an id that is still 0 allocates a fresh one.
    int GetId();
    // Keeps an id that stored data names from ever being handed out as a fresh one in this run.
    static void ReserveId(int id);
    const std::wstring& GetObjectName() const { return object_name_; }

    // Full path of the settings file; empty: the object keeps none.
    virtual std::wstring SettingsPath();
    // Loads or creates the settings file and leaves the root named after the object current.
    virtual bool OpenSettings(CXmlDoc& doc);
    virtual void DeleteFiles();
    // Search forward from the current element for the next sibling `element` whose attribute,
    // or text, equals the value; the match stays current.
    virtual bool FindElemByAttr(CXmlDoc& doc, std::wstring_view element, std::wstring_view attr,
                                std::wstring_view value);
    virtual bool FindElemByAttrInt(CXmlDoc& doc, std::wstring_view element, std::wstring_view attr,
                                   int value);
    virtual bool FindElemByData(CXmlDoc& doc, std::wstring_view element, std::wstring_view text);
    virtual bool FindElemByDataInt(CXmlDoc& doc, std::wstring_view element, int value);

protected:
    void SetObjectName(std::wstring name) { object_name_ = std::move(name); }
    // The first free id from the seed on; it is taken at once, so it is never handed out twice.
    int AllocateId();

    int id_ = 0;
    int id_seed_ = kIdSeedStart;

private:
    std::wstring object_name_;
};

class LObjectSub : public LObject {
public:
    LObjectSub();
    ~LObjectSub() override;

    HWND GetHandle() const { return handle_; }
    bool IsModal() const { return modal_ != 0; }

    virtual void OnOk();
    virtual void OnCancel();
    virtual LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp);
    virtual void RestoreFocus();
    virtual bool Attach(int id, HWND handle);
    virtual void ShowAndRefresh();
    virtual bool Create(int id, const std::wstring& title, DWORD ex_style, DWORD style, int x, int y,
                        int width, int height, HWND parent);

    // Runs the object as a modal dialog on the empty layered dialog template; answers the result
    // given to EndDialog (1 for OnOk, 2 for OnCancel), or -1 when the dialog could not be made.
    INT_PTR DoModal(int id, HWND parent);

    // The class every toolkit window is created with.
    static constexpr const wchar_t* kClassName = L"LWnd";

protected:
    // Puts the previous window procedure back and forgets the handle in the handle map.
    void Detach();

    HWND handle_ = nullptr;
    WNDPROC previous_proc_ = nullptr;
    int modal_ = 0;

private:
    static LRESULT CALLBACK SharedProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
};
