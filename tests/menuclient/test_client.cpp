// The client functions as the menu task sees them: nothing at all while its
// mailbox key is missing, then exactly one request per call with the
// command of the command table and the caller's arguments in their fields.

#include <gtest/gtest.h>
#include <string.h>

#include <atomic>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "h_memory.h"
#include "linuxsvc.h"
#include "test_timing.h"
#include "text_util.h"
#include "u_language.h"
#include "u_menu.h"

// Heap blocks the test's own thread takes, counted on their way: the client
// functions reach the heap through these three entry points (their C++
// names, renamed by the linker's --wrap).
static thread_local int t_nBlocks = 0;
void* MENU_TEST_pvRealMalloc(U32) __asm__("__real__Z17H_MEMORY_pvMallocj");
void* MENU_TEST_pvRealCalloc(U32, U32) __asm__("__real__Z17H_MEMORY_pvCallocjj");
void* MENU_TEST_pvRealNoWait(U32) __asm__("__real__Z23H_MEMORY_pvMallocNoWaitj");
void* MENU_TEST_pvMalloc(U32) __asm__("__wrap__Z17H_MEMORY_pvMallocj");
void* MENU_TEST_pvCalloc(U32, U32) __asm__("__wrap__Z17H_MEMORY_pvCallocjj");
void* MENU_TEST_pvNoWait(U32) __asm__("__wrap__Z23H_MEMORY_pvMallocNoWaitj");
void* MENU_TEST_pvMalloc(U32 size) { return t_nBlocks++, MENU_TEST_pvRealMalloc(size); }
void* MENU_TEST_pvCalloc(U32 count, U32 size) { return t_nBlocks++, MENU_TEST_pvRealCalloc(count, size); }
void* MENU_TEST_pvNoWait(U32 size) { return t_nBlocks++, MENU_TEST_pvRealNoWait(size); }

namespace {

typedef MSG_MENU_REQUEST R;
constexpr MBOX kMbox = M_MENU;

const char* const kItem[1] = {"item"};
const char* const kHolder[1] = {"holder"};
const char* const kSub[1] = {"sub"};
const MENU_TEXT kNone = nullptr;
const MENU_TEXT kChoices[2] = {kSub, kItem};
const U32 kValues[2] = {7, 9};
void F1() {}
void F2() {}
const MENU_ACTION kFns[2] = {F1, F2};
const BOOLEAN kConfirm[2] = {TRUE, FALSE};
const ICON kIcon = {}, kIcon2 = {};
const ICON* const kIcons[2] = {&kIcon, &kIcon2};
const MENU_LIMITS kLimits[1] = {{U_NONE, 20, 80, 10}};
const MENU_STEP_LEVELS kSteps[1] = {{U_NONE, 50, 150}};
BOOLEAN Get(U32) { return TRUE; }
BOOLEAN Set(U32) { return FALSE; }
constexpr FOURCHARID kKey = FCID("SSEN");
const M_INFO_MENU_ITEM kInfo[2] = {{kItem, {F1, TRUE}}, {kSub, {F2, FALSE}}};

struct CALL {
  const char* name;
  CMD_ID cmd;
  MENU_REQUEST_KIND kind;
  std::function<BOOLEAN()> call;  // a void function answers TRUE
  std::function<void(const R&)> check;
  BOOLEAN voidCall = FALSE;
};

// Field groups of a request, each against the arguments the table passes.
void Names(const R& r, MENU_TEXT item, MENU_TEXT holder, MENU_TEXT sub) {
  EXPECT_EQ(std::make_tuple(item, holder, sub), std::make_tuple(r.pItemName, r.pContainerName, r.pSubMenuName));
}
void Selector(const R& r) {
  EXPECT_EQ(std::make_tuple(kKey, 2u, kChoices, kValues),
            std::make_tuple(r.FourCharId, r.u32Count, r.pChoiceList, r.pu32Values));
}
void Slider(const R& r) {
  ASSERT_EQ(1, r.u8LimitCount);
  EXPECT_EQ(std::make_tuple(kKey, 80.0f, kItem, kHolder, kSub),
            std::make_tuple(r.FourCharId, r.aLimits[0].fMaximum, r.pControlTextLeft, r.pControlTextRight,
                            r.pValueSuffix));
}
void Place(const R& r, MENU_PRIORITY priority, MENU_USER_LEVEL level, const ICON* icon) {
  EXPECT_EQ(std::make_tuple(priority, level, icon), std::make_tuple(r.u32Priority, r.eUserLevel, r.pIcon));
}
void Pane(const R& r, LAYER_ID view, SPLIT_WINDOW_TYPE split) {
  EXPECT_EQ(std::make_tuple(view, split), std::make_tuple(r.eView, r.eSplit));
}
void Action(const R& r, MENU_ACTION f, BOOLEAN confirm) {
  EXPECT_EQ(std::make_tuple(f, confirm), std::make_tuple(r.action.p2Function, r.action.bConfirm));
}
void List(const R& r) {
  EXPECT_EQ(std::make_tuple(kChoices, kFns, 2u, kKey, kConfirm),
            std::make_tuple(r.pChoiceList, r.ppFunctions, r.u32Count, r.FourCharId, r.pbConfirm));
}
void SubMenus(const R& r) {
  EXPECT_EQ(std::make_tuple(kChoices, kIcons, 2u), std::make_tuple(r.pChoiceList, r.ppIcons, r.u32Count));
}

// Commands by the menu task's command table: 17 tab, 18 item, 19 sub-menu,
// 20 express menu, 22-26 floating, 27-29 single-centred, 31 removal,
// 32 info, 33 express activation, 34 clear.
const std::vector<CALL> kCalls = {
    {"tab", CMD_ID_REGISTER_MENU_TAB, MENU_REQ_REGISTER_TAB,
     [] { return U_MENU_bRegisterTab(kHolder, SETUP_TAB_PRIORITY, &kIcon, M_ADVANCED); },
     [](const R& r) { Names(r, kNone, kHolder, kNone); Place(r, 5, M_ADVANCED, &kIcon); }},
    {"main selector", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_MAIN_SELECTOR,
     [] { return U_MENU_bRegisterMainSelectorMenu(kItem, kHolder, 184, kKey, 2, kChoices, kValues, M_BASIC); },
     [](const R& r) { Names(r, kItem, kHolder, kNone); Place(r, 184, M_BASIC, nullptr); Selector(r); }},
    {"main slider", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_MAIN_SLIDER,
     [] { return U_MENU_bRegisterMainSliderMenu(kItem, kHolder, 3, kKey, kLimits, kItem, kHolder, kSub, M_BASIC); },
     [](const R& r) { Names(r, kItem, kHolder, kNone); Slider(r); }},
    {"main bar", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_MAIN_PROGRESS_BAR,
     [] { return U_MENU_bRegisterMainProgBarMenu(kItem, kHolder, 3, kKey, kLimits, kItem, kHolder, kSub, M_BASIC); },
     [](const R& r) { Names(r, kItem, kHolder, kNone); Slider(r); }},
    {"main action", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_MAIN_ACTION,
     [] { return U_MENU_bRegisterMainActionMenu(kItem, kHolder, 127, F1, TRUE, M_BASIC); },
     [](const R& r) { Names(r, kItem, kHolder, kNone); Place(r, 127, M_BASIC, nullptr); Action(r, F1, TRUE); }},
    {"main action list", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_MAIN_ACTION_LIST,
     [] { return U_MENU_bRegisterMainActionListMenu(kItem, kHolder, 9, kChoices, kFns, 2, M_BASIC, kKey, kConfirm); },
     [](const R& r) { Names(r, kItem, kHolder, kNone); List(r); }},
    {"main sub-menu", CMD_ID_REGISTER_SUB_MENU, MENU_REQ_MAIN_SUB_MENU,
     [] { return U_MENU_bRegisterMainSubMenu(kItem, kHolder, 9, kChoices, kChoices, kIcons, 2, M_BASIC); },
     [](const R& r) { Names(r, kItem, kHolder, kSub); SubMenus(r); }},
    {"main removal", CMD_ID_UNREGISTER_MENU_ITEM, MENU_REQ_UNREGISTER_MAIN_ITEM,
     [] { return U_MENU_bUnregisterMainMenuItem(kItem, kHolder); },
     [](const R& r) { Names(r, kItem, kHolder, kNone); }},
    {"sub sub-menu", CMD_ID_REGISTER_SUB_MENU, MENU_REQ_SUB_SUB_MENU,
     [] { return U_MENU_bRegisterSubMenuSubMenu(kItem, kHolder, &kIcon, 9, kChoices, kChoices, kIcons, 2, M_BASIC); },
     [](const R& r) { Names(r, kItem, kHolder, kSub); SubMenus(r); Place(r, 9, M_BASIC, &kIcon); }},
    {"sub action", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_SUB_ACTION,
     [] { return U_MENU_bRegisterSubMenuActionMenu(kItem, kHolder, &kIcon, 9, F2, FALSE, M_SUPER_USER); },
     [](const R& r) { Names(r, kItem, kHolder, kNone); Place(r, 9, M_SUPER_USER, &kIcon); Action(r, F2, FALSE); }},
    {"sub selector", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_SUB_SELECTOR,
     [] { return U_MENU_bRegisterSubMenuSelectorMenu(kItem, kHolder, &kIcon, 9, kKey, 2, kChoices, kValues, M_BASIC); },
     [](const R& r) { Names(r, kItem, kHolder, kNone); Selector(r); }},
    {"sub slider", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_SUB_SLIDER,
     [] {
       return U_MENU_bRegisterSubMenuSliderMenu(kItem, kHolder, &kIcon, 9, kKey, kLimits, kItem, kHolder, kSub,
                                                M_BASIC);
     },
     [](const R& r) { Names(r, kItem, kHolder, kNone); Slider(r); }},
    {"sub check box", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_SUB_CHECK_BOX,
     [] { return U_MENU_bRegisterSubMenuCheckBoxMenu(kItem, kHolder, &kIcon, 9, 42, Get, Set, M_BASIC); },
     [](const R& r) {
       Names(r, kItem, kHolder, kNone);
       EXPECT_EQ(42u, r.u32Context);
       EXPECT_EQ(Get, r.pGetter);
       EXPECT_EQ(Set, r.pSetter);
     }},
    {"sub removal", CMD_ID_UNREGISTER_MENU_ITEM, MENU_REQ_UNREGISTER_SUB_ITEM,
     [] { return U_MENU_bUnregisterSubMenuItem(kHolder, kItem); },
     [](const R& r) { Names(r, kItem, kHolder, kNone); }},
    {"express menu", CMD_ID_REGISTER_HOT_MENU, MENU_REQ_EXPRESS_MENU,
     [] { return U_MENU_bRegisterExpressMenu((LAYER_ID)50, SPLIT_RIGHT_WINDOW); },
     [](const R& r) { Pane(r, (LAYER_ID)50, SPLIT_RIGHT_WINDOW); }},
    {"hot selector", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_HOT_SELECTOR,
     [] {
       return U_MENU_bRegisterHotSelectorMenu(kItem, &kIcon, 0, kKey, 2, kChoices, kValues, M_BASIC, (LAYER_ID)50,
                                              SPLIT_LEFT_WINDOW);
     },
     [](const R& r) { Names(r, kItem, kNone, kNone); Selector(r); Pane(r, (LAYER_ID)50, SPLIT_LEFT_WINDOW); }},
    {"hot slider", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_HOT_SLIDER,
     [] {
       return U_MENU_bRegisterHotSliderMenu(kItem, &kIcon, 16, kKey, kLimits, kItem, kHolder, kSub, M_BASIC,
                                            (LAYER_ID)50, SPLIT_LEFT_WINDOW);
     },
     [](const R& r) { Slider(r); Place(r, 16, M_BASIC, &kIcon); Pane(r, (LAYER_ID)50, SPLIT_LEFT_WINDOW); }},
    {"hot action", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_HOT_ACTION,
     [] { return U_MENU_bRegisterHotActionMenu(kItem, &kIcon, 4, F1, TRUE, M_BASIC, USED_BY_ALL, SPLIT_FULL_WINDOW); },
     [](const R& r) { Action(r, F1, TRUE); Pane(r, USED_BY_ALL, SPLIT_FULL_WINDOW); }},
    {"hot action list", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_HOT_ACTION_LIST,
     [] {
       return U_MENU_bRegisterHotActionListMenu(kItem, &kIcon, 4, kChoices, kFns, 2, M_BASIC, (LAYER_ID)21,
                                                SPLIT_FULL_WINDOW, kKey, kConfirm);
     },
     [](const R& r) { List(r); Pane(r, (LAYER_ID)21, SPLIT_FULL_WINDOW); }},
    {"hot sub-menu without arrow", CMD_ID_REGISTER_SUB_MENU, MENU_REQ_HOT_SUB_MENU_NO_ARROW,
     [] {
       return U_MENU_bRegisterHotSubMenuWithNoArrow(kItem, nullptr, 678, kChoices, kChoices, kIcons, 2, M_BASIC,
                                                    VIRTUAL_DISPLAY_VIEW_LAYER, SPLIT_FULL_WINDOW);
     },
     [](const R& r) { Names(r, kItem, kNone, kSub); SubMenus(r); Pane(r, VIRTUAL_DISPLAY_VIEW_LAYER, SPLIT_FULL_WINDOW); }},
    {"hot sub action", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_HOT_SUB_ACTION,
     [] { return U_MENU_bRegisterHotSubMenuActionMenu(kItem, kHolder, nullptr, 21, F2, FALSE, M_BASIC); },
     [](const R& r) { Names(r, kItem, kHolder, kNone); Action(r, F2, FALSE); }},
    {"hot removal", CMD_ID_UNREGISTER_MENU_ITEM, MENU_REQ_UNREGISTER_HOT_ITEM,
     [] { return U_MENU_bUnregisterHotMenuItem(kItem, (LAYER_ID)50, SPLIT_RIGHT_WINDOW); },
     [](const R& r) { Names(r, kItem, kNone, kNone); Pane(r, (LAYER_ID)50, SPLIT_RIGHT_WINDOW); }},
    {"express activation", CMD_ID_ACTIVATE_HOT_MENU, MENU_REQ_ACTIVATE_HOT,
     [] { return U_MENU_vActivateSpecifiedHotMenu(VIRTUAL_DISPLAY_VIEW_LAYER), TRUE; },
     [](const R& r) { EXPECT_EQ(VIRTUAL_DISPLAY_VIEW_LAYER, r.eView); }, TRUE},
    {"quick selector", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_QUICK_SELECTOR,
     [] { return U_MENU_bRegisterQuickSelectorMenu(kItem, 1, kKey, 2, kChoices, kValues, M_BASIC); },
     [](const R& r) { Names(r, kItem, kNone, kNone); Selector(r); }},
    {"quick variable-step slider", CMD_ID_REGISTER_MENU_ITEM, MENU_REQ_QUICK_VAR_STEP_SLIDER,
     [] { return U_MENU_bRegisterQuickVarStepSliderMenu(kItem, 2, kKey, kLimits, kSteps, nullptr, M_BASIC); },
     [](const R& r) {
       EXPECT_EQ(1, r.u8LimitCount);
       ASSERT_EQ(1, r.u8StepCount);
       EXPECT_EQ(150.0f, r.aStepLevels[0].fStep2);
     }},
    {"quick removal", CMD_ID_UNREGISTER_MENU_ITEM, MENU_REQ_UNREGISTER_QUICK_ITEM,
     [] { return U_MENU_bUnregisterQuickMenuItem(kItem); }, [](const R& r) { Names(r, kItem, kNone, kNone); }},
    {"floating menu", CMD_ID_REGISTER_FLOATING_MENU, MENU_REQ_FLOATING_MENU,
     [] { return U_MENU_bRegisterFloatingMenu(kHolder, F1, F2, TRUE, "Harbour"); },
     [](const R& r) {
       Names(r, kNone, kHolder, kNone);
       EXPECT_EQ(F1, r.pGoToFunction);
       EXPECT_EQ(F2, r.pExitFunction);
       EXPECT_TRUE(r.bDisplayAltName);
       EXPECT_STREQ("Harbour", r.acAltName);
     }},
    {"floating action", CMD_ID_REGISTER_FLOATING_MENU_ITEM, MENU_REQ_FLOATING_ACTION,
     [] { return U_MENU_bRegisterFloatingActionMenu(kHolder, kItem, &kIcon, 3, F1, FALSE, M_BASIC); },
     [](const R& r) { Names(r, kItem, kHolder, kNone); Action(r, F1, FALSE); }},
    {"floating action with icons", CMD_ID_REGISTER_FLOATING_MENU_ITEM, MENU_REQ_FLOATING_ACTION_EXT,
     [] { return U_MENU_bRegisterFloatingMenuActionExtItem(kHolder, kItem, &kIcon, &kIcon2, 3, F1, TRUE, M_BASIC); },
     [](const R& r) { Names(r, kItem, kHolder, kNone); Place(r, 3, M_BASIC, &kIcon); EXPECT_EQ(&kIcon2, r.pIconRight); }},
    {"floating item removal", CMD_ID_UNREGISTER_FLOATING_MENU_ITEM, MENU_REQ_UNREGISTER_FLOATING_ITEM,
     [] { return U_MENU_bUnregisterFloatingMenuItem(kHolder, kItem); },
     [](const R& r) { Names(r, kItem, kHolder, kNone); }},
    {"floating removal", CMD_ID_UNREGISTER_FLOATING_MENU, MENU_REQ_UNREGISTER_FLOATING_MENU,
     [] { return U_MENU_bUnregisterFloatingMenu(kHolder); }, [](const R& r) { Names(r, kNone, kHolder, kNone); }},
    {"floating activation", CMD_ID_ACTIVATE_FLOATING_MENU, MENU_REQ_ACTIVATE_FLOATING,
     [] { return U_MENU_ActivateFloatingMenu(kHolder), TRUE; }, [](const R& r) { Names(r, kNone, kHolder, kNone); }, TRUE},
    {"info activation", CMD_ID_ACTIVATE_INFO_MENU, MENU_REQ_ACTIVATE_INFO,
     [] { return U_MENU_ActivateInfoMenu(kHolder, kInfo, 2, FALSE, nullptr), TRUE; },
     [](const R& r) {
       Names(r, kNone, kHolder, kNone);
       ASSERT_EQ(2, r.u8InfoCount);
       EXPECT_EQ(kSub, r.aInfoItems[1].pName);
       EXPECT_EQ(F2, r.aInfoItems[1].action.p2Function);
       EXPECT_FALSE(r.bHasAltName);
     }, TRUE},
    {"single selector", CMD_ID_REGISTER_SINGLE_CENTERED_MENU_ITEM, MENU_REQ_SINGLE_SELECTOR,
     [] { return U_MENU_bRegisterSingleCenteredMenuSelectorMenu(kHolder, kKey, 2, kChoices, kValues, TRUE, FALSE); },
     [](const R& r) { Names(r, kNone, kHolder, kNone); Selector(r); EXPECT_TRUE(r.bDisplay && !r.bLoop); }},
    {"single slider", CMD_ID_REGISTER_SINGLE_CENTERED_MENU_ITEM, MENU_REQ_SINGLE_SLIDER,
     [] {
       return U_MENU_bRegisterSingleCenteredMenuSliderMenu(kHolder, kKey, kLimits, kItem, kHolder, kSub, FALSE, TRUE);
     },
     [](const R& r) { Slider(r); EXPECT_TRUE(!r.bDisplay && r.bLoop); }},
    {"single variable-step slider", CMD_ID_REGISTER_SINGLE_CENTERED_MENU_ITEM, MENU_REQ_SINGLE_VAR_STEP_SLIDER,
     [] {
       return U_MENU_bRegisterSingleCenteredMenuVarStepSliderMenu(kHolder, &kIcon, kKey, kLimits, kSteps, kItem,
                                                                  kHolder, kSub, TRUE, TRUE);
     },
     [](const R& r) { Slider(r); EXPECT_EQ(1, r.u8StepCount); EXPECT_EQ(&kIcon, r.pIcon); }},
    {"single removal", CMD_ID_UNREGISTER_SINGLE_CENTERED_MENU, MENU_REQ_UNREGISTER_SINGLE,
     [] { return U_MENU_bUnregisterSingleCenteredMenu(kHolder); }, [](const R& r) { Names(r, kNone, kHolder, kNone); }},
    {"single activation", CMD_ID_ACTIVATE_SINGLE_CENTERED_MENU, MENU_REQ_ACTIVATE_SINGLE,
     [] { return U_MENU_vActivateSingleCenteredMenu(kHolder, (LAYER_ID)21, TRUE, FALSE, kSub), TRUE; },
     [](const R& r) { Names(r, kNone, kHolder, kSub); EXPECT_EQ((LAYER_ID)21, r.eView); EXPECT_TRUE(r.bDisplay); }, TRUE},
    {"clear", CMD_ID_CLEAR_MENU, MENU_REQ_CLEAR, [] { return U_MENU_vClearMenus(), TRUE; }, [](const R&) {}, TRUE},
    // The start-up task's: the menu task opens the quick set-up on its own
    // thread, never the caller under the menu task's lock.
    {"quick set-up", CMD_ID_ACTIVATE_HOT_MENU, MENU_REQ_ACTIVATE_QUICK,
     [] { return T_MENU_vActivateQuickMenu(), TRUE; }, [](const R& r) { Names(r, kNone, kNone, kNone); }, TRUE},
};

class MenuClient : public ::testing::Test {
 protected:
  void SetUp() override {
    H_DATABASE_vInit();
    while (void* p = L_MBOX_Receive(kMbox)) H_MEMORY_vFree(p);
  }
  void TearDown() override { H_DATABASE_vInit(); }
  // A key written with a one-second time-out and left to go stale.
  static void Publish(BOOLEAN bValid) {
    H_DATABASE_bUpdateEverythingU32(FCID("TMNU"), (U32)kMbox, P_NORMAL, D_MAILBOX, nullptr, bValid ? DB_NEVER_STALE : 1);
    if (!bValid) {
      ASSERT_TRUE(TEST_bWaitUntil(
          [] {
            BOOLEAN bFresh = TRUE;
            return H_DATABASE_bFetch(FCID("TMNU"), nullptr, &bFresh, nullptr) && !bFresh;
          },
          2000));
    }
  }
  // The one request a call sent; null (and a failure) for none or more.
  static R* Only() {
    R* p = (R*)L_MBOX_Receive(kMbox);
    void* extra = L_MBOX_Receive(kMbox);
    EXPECT_EQ(nullptr, extra);
    H_MEMORY_vFree(extra);
    return p;
  }
};

TEST_F(MenuClient, WithoutTheMenuTasksKeyNothingIsSentAndNoBlockTaken) {
  EXPECT_EQ((size_t)MENU_REQ_COUNT, kCalls.size());
  for (BOOLEAN published : {FALSE, TRUE}) {
    if (published) Publish(FALSE);  // a key that is there but stale counts as missing
    for (const CALL& c : kCalls) {
      t_nBlocks = 0;
      EXPECT_EQ(c.voidCall, c.call()) << c.name;
      EXPECT_EQ(0, t_nBlocks) << c.name;
      EXPECT_EQ(nullptr, L_MBOX_Receive(kMbox)) << c.name;
    }
  }
}

TEST_F(MenuClient, EachCallSendsOneRequestWithItsCommandAndArguments) {
  Publish(TRUE);
  for (const CALL& c : kCalls) {
    SCOPED_TRACE(c.name);
    t_nBlocks = 0;
    EXPECT_TRUE(c.call());
    EXPECT_EQ(1, t_nBlocks);
    R* r = Only();
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(c.cmd, r->header.Cmd);
    EXPECT_EQ(c.kind, r->eKind);
    EXPECT_EQ(3, r->header.msghdr.MsgPriority);
    EXPECT_EQ(0, r->header.msghdr.sema) << "no acknowledgement asked";
    c.check(*r);
    H_MEMORY_vFree(r);
  }
}

// The head and the alternative name fit the 344-byte heap class (340
// usable); a block grows with the copies it carries, up to the 1028-byte
// class for sixteen info entries.
TEST_F(MenuClient, RequestsTakeTheSmallestHeapClassThatHoldsTheirCopies) {
  R r;
  memset(&r, 0, sizeof r);
  const U32 head = U_MENU_u32RequestBytes(&r);
  r.bHasAltName = TRUE;
  const U32 named = U_MENU_u32RequestBytes(&r);
  EXPECT_LE(named, 340u);
  EXPECT_GE(named, head + MENU_ALT_NAME_BYTES);
  r.u8LimitCount = 1;
  EXPECT_GE(U_MENU_u32RequestBytes(&r), named + MENU_MAX_LIMITS * sizeof(MENU_LIMITS));
  r.u8InfoCount = 16;
  EXPECT_LE(U_MENU_u32RequestBytes(&r), 1024u);
}

TEST_F(MenuClient, CopiedArraysStopWhereTheReadingRuleSays) {
  Publish(TRUE);
  struct CASE {
    std::vector<MENU_LIMITS> limits;
    U8 copied;
  };
  const MENU_LIMITS f = {U_FEET, 6, 360, 1}, m = {U_METRES, 2, 120, 1}, none = {U_NONE, 1, 10, 1}, end = {};
  const CASE kCases[] = {
      {{none}, 1},                          // a single U_NONE entry, nothing after it to read
      {{f, m, end, f}, 2},                  // stops before the all-zero entry
      {{f, none, f}, 2},                    // stops after U_NONE
      {std::vector<MENU_LIMITS>(9, f), 8},  // at most eight
  };
  for (const CASE& c : kCases) {
    // Exactly as many entries as the case holds, so reading past them is caught
    // by the sanitizers.
    std::vector<MENU_LIMITS> heap(c.limits);
    ASSERT_TRUE(U_MENU_bRegisterHotSliderMenu(kItem, nullptr, 1, kKey, heap.data(), nullptr, nullptr, nullptr, M_BASIC,
                                              (LAYER_ID)21, SPLIT_FULL_WINDOW));
    heap.assign(heap.size(), end);  // the request keeps its own copy
    R* r = Only();
    ASSERT_NE(nullptr, r);
    ASSERT_EQ(c.copied, r->u8LimitCount);
    for (U8 i = 0; i < c.copied; i++) EXPECT_EQ(c.limits[i].Units, r->aLimits[i].Units);
    H_MEMORY_vFree(r);
  }
}

TEST_F(MenuClient, AlternativeNamesAndInfoEntriesAreCutToTheirRoom) {
  Publish(TRUE);
  const std::string longName(100, 'n');
  ASSERT_TRUE(U_MENU_bRegisterFloatingMenu(kHolder, nullptr, nullptr, TRUE, longName.c_str()));
  R* r = Only();
  ASSERT_NE(nullptr, r);
  EXPECT_EQ(std::string(63, 'n'), r->acAltName);
  H_MEMORY_vFree(r);

  SetLanguage(LANGUAGE_JAPANESE);
  const std::string wide = W(std::u16string(40, u'名'));
  U_MENU_ActivateInfoMenu(kHolder, std::vector<M_INFO_MENU_ITEM>(20, kInfo[0]).data(), 20, TRUE, wide.c_str());
  SetLanguage(LANGUAGE_ENGLISH);
  r = Only();
  ASSERT_NE(nullptr, r);
  EXPECT_EQ(16, r->u8InfoCount);
  EXPECT_EQ(std::u16string(31, u'名'), Units(r->acAltName)) << "31 units and a zero unit";
  H_MEMORY_vFree(r);
}

std::atomic<U32> s_u32HotView{(U32)NO_VIEW_PRIORITY};
U32 HotView(void) { return s_u32HotView; }
U32 OtherHotView(void) { return 51; }

// The frame asks which express menu is open through the one hook the menu
// library registers before the tasks run; a second function is refused, so
// nothing swaps it while the view task calls it. The hook stays for the
// rest of the program, answering none once the test is done.
TEST_F(MenuClient, TheHotViewHookIsRegisteredOnceAndAnswersNoneUntilThen) {
  EXPECT_EQ((U32)NO_VIEW_PRIORITY, T_MENU_u32GetHotMenuView());
  EXPECT_TRUE(U_MENU_bRegisterHotMenuView(HotView));
  s_u32HotView = 50;
  EXPECT_EQ(50u, T_MENU_u32GetHotMenuView());
  EXPECT_FALSE(U_MENU_bRegisterHotMenuView(OtherHotView));
  EXPECT_EQ(50u, T_MENU_u32GetHotMenuView());
  EXPECT_TRUE(U_MENU_bRegisterHotMenuView(HotView)) << "the same again, as a test rig sets up";
  s_u32HotView = (U32)NO_VIEW_PRIORITY;
}

}  // namespace
