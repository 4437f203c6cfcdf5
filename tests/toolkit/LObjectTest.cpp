// Ids, the settings step, element finders, subscriptions and modal dialogs.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "store/xml/CXmlDoc.h"
#include "toolkit/Toolkit.h"

#include <gtest/gtest.h>

TEST(LObjectIds, FreshIdsDifferAndAreNeverReused) {
    int first = 0;
    {
        ColorWnd a;
        ASSERT_TRUE(a.CreateTop(0, 0, 10, 10));
        first = a.GetId();
    }
    ColorWnd b, c;
    ASSERT_TRUE(b.CreateTop(0, 0, 10, 10));
    ASSERT_TRUE(c.CreateTop(0, 0, 10, 10));
    EXPECT_GE(first, LObject::kIdSeedStart);
    EXPECT_NE(b.GetId(), first);
    EXPECT_NE(c.GetId(), first);
    EXPECT_NE(b.GetId(), c.GetId());
    EXPECT_EQ(LWnd::FromId(b.GetId()), &b);
    EXPECT_EQ(LWnd::HandleFromId(c.GetId()), c.GetHandle());
    EXPECT_EQ(LWnd::FromId(first), nullptr);
    // An unattached object allocates on reading, and never an id in use.
    LObject plain;
    const int id = plain.GetId();
    EXPECT_NE(id, b.GetId());
    EXPECT_NE(id, first);
    EXPECT_EQ(plain.GetId(), id);
}

TEST(LObjectIds, FixedIdsAreKeptAndShared) {
    ColorWnd a, b;
    ASSERT_TRUE(a.Create(20000, L"", WS_EX_LAYERED, WS_POPUP, 0, 0, 10, 10, nullptr));
    ASSERT_TRUE(b.Create(20000, L"", WS_EX_LAYERED, WS_POPUP, 0, 0, 10, 10, nullptr));
    EXPECT_EQ(a.GetId(), 20000);
    EXPECT_EQ(b.GetId(), 20000);
    EXPECT_EQ(LWnd::FromId(20000), &a);
    EXPECT_EQ(LWnd::FromHandle(b.GetHandle()), &b);
    EXPECT_EQ(LWnd::FromHandle(nullptr), nullptr);
    EXPECT_EQ(LWnd::FromId(12345), nullptr);
}

namespace {

class SettingsObject : public LObject {
public:
    std::wstring SettingsPath() override { return path; }
    std::wstring path;
};

} // namespace

TEST(LObjectSettings, OpenCreatesTheRootWithTheIdOnce) {
    SettingsObject o;
    CXmlDoc doc;
    EXPECT_FALSE(o.OpenSettings(doc)); // no path: no settings
    o.path = NormalSetDir() + L"LObject.xml";
    ASSERT_TRUE(o.OpenSettings(doc));
    EXPECT_EQ(doc.GetTagName(), L"LObject");
    ASSERT_TRUE(doc.Into());
    doc.SetChildInt(L"left", 7);
    ASSERT_TRUE(doc.Save(o.path));

    CXmlDoc again;
    ASSERT_TRUE(o.OpenSettings(again));
    ASSERT_TRUE(again.Into());
    int id = 0, left = 0;
    EXPECT_TRUE(again.GetChildInt(L"ID", id));
    EXPECT_EQ(id, o.GetId());
    EXPECT_TRUE(again.GetChildInt(L"left", left));
    EXPECT_EQ(left, 7);
}

TEST(LObjectSettings, FindersSearchForwardAndCompareExactly) {
    LObject o;
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<r><g id=\"a\" n=\"3\">x</g><g id=\"B\" n=\"-12\"> 40</g><h id=\"c\"/>"
                           L"<g id=\"c\" n=\"5\">5</g></r>"));
    ASSERT_TRUE(doc.FindNext(L"r"));
    ASSERT_TRUE(doc.Into());
    EXPECT_FALSE(o.FindElemByAttr(doc, L"g", L"id", L"b")); // case-sensitive; runs to the end
    doc.Rewind();                                           // back to the first child of "r"
    EXPECT_TRUE(o.FindElemByAttr(doc, L"g", L"id", L"c"));  // skips the "h" element
    EXPECT_EQ(doc.GetText(), L"5");

    auto fresh = [&doc] { doc.Rewind(); };
    fresh();
    EXPECT_TRUE(o.FindElemByAttrInt(doc, L"g", L"n", -12));
    EXPECT_EQ(doc.GetAttr(L"id"), L"B");
    EXPECT_FALSE(o.FindElemByAttrInt(doc, L"g", L"n", 3)); // forward only
    fresh();
    EXPECT_TRUE(o.FindElemByData(doc, L"g", L"x"));
    EXPECT_FALSE(o.FindElemByData(doc, L"g", L"X"));
    fresh();
    EXPECT_TRUE(o.FindElemByDataInt(doc, L"g", 40));
    EXPECT_EQ(doc.GetAttr(L"id"), L"B");
    fresh();
    EXPECT_FALSE(o.FindElemByDataInt(doc, L"g", 41));
}

namespace {

class Receiver : public ColorWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override {
        if (message == 50024) {
            got.push_back(static_cast<int>(wp));
            return answer;
        }
        return ColorWnd::WindowProc(message, wp, lp);
    }
    std::vector<int> got;
    LRESULT answer = 1;
};

} // namespace

TEST(LWndSubscriptions, SendTellsEveryHandleInOrderAndAndsTheResults) {
    ColorWnd sender;
    Receiver r1, r2;
    ASSERT_TRUE(sender.CreateTop(0, 0, 10, 10));
    ASSERT_TRUE(r1.CreateTop(0, 0, 10, 10));
    ASSERT_TRUE(r2.CreateTop(0, 0, 10, 10));
    EXPECT_FALSE(sender.SendToSubscribers(50024, 1, 0)); // nobody
    sender.Subscribe(50024, r1.GetHandle());
    sender.Subscribe(50024, r2.GetHandle());
    EXPECT_TRUE(sender.SendToSubscribers(50024, 2, 0));
    r1.answer = 0;
    EXPECT_FALSE(sender.SendToSubscribers(50024, 3, 0));
    EXPECT_EQ(r2.got, (std::vector<int>{2, 3})); // told even after a false answer
    sender.PostToSubscribers(50024, 4, 0);
    PumpMessages();
    EXPECT_EQ(r1.got, (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(r2.got, (std::vector<int>{2, 3, 4}));
}

namespace {

class AutoDialog : public LWnd {
public:
    explicit AutoDialog(WORD command) : command_(command) {}
    void ShowAndRefresh() override {
        LWnd::ShowAndRefresh();
        shown = IsWindowVisible(GetHandle()) != FALSE;
        RECT rc = ClientRect();
        width = rc.right;
        layered = (GetWindowLongW(GetHandle(), GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
        modal_seen = IsModal();
        PostMessageW(GetHandle(), WM_COMMAND, command_, 0);
    }
    WORD command_;
    bool shown = false, layered = false, modal_seen = false;
    int width = 0;
};

} // namespace

TEST(LObjectSubDialog, DoModalAnswersOneForOkAndTwoForCancel) {
    AutoDialog ok(IDOK), cancel(IDCANCEL);
    EXPECT_EQ(ok.DoModal(0, nullptr), 1);
    EXPECT_TRUE(ok.shown);
    EXPECT_TRUE(ok.layered);
    EXPECT_TRUE(ok.modal_seen);
    EXPECT_FALSE(ok.IsModal());
    EXPECT_GT(ok.width, 316); // dialog units are wider than pixels
    EXPECT_GE(ok.GetId(), LObject::kIdSeedStart);
    EXPECT_EQ(cancel.DoModal(20018, nullptr), 2);
    EXPECT_EQ(cancel.GetId(), 20018);
}
