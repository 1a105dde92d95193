// The keypad is an input event device. Its reader thread runs real-time so
// that key edges are taken at once; the keyboard task copies the state bytes
// every 25 ms without a lock, one byte per key. A tap shorter than that
// would fall between two copies, so the thread also counts each key's
// presses, and the copy hands on every press it has not yet seen, with the
// release before it, one edge a copy.

#include "dd_keyboard.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/input.h>
#include <pthread.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

#include "dd_devpath.h"
#include "linuxsvc.h"

static const char* const KEYBOARD_DEVICE = "/dev/input/event6";

// The input key code behind each state byte. Bytes 4..8 are kept but no key
// state is built from them.
static const U16 s_au16KeyCodes[DD_KEYBOARD_NUM_KEYS] = {
    46,   // 0 POWER
    50,   // 1 MENU
    30,   // 2 EXIT
    28,   // 3 VIEW
    106,  // 4
    103,  // 5
    36,   // 6
    18,   // 7
    24,   // 8
    105,  // 9 cursor north
    108,  // 10 cursor south
    23,   // 11 cursor west
    49,   // 12 cursor east
};

// Written by the reader thread (and the fake key), read by the keyboard task.
// A press is counted before its level is stored, so a reader that sees the
// level down also sees its count.
static std::atomic<BOOLEAN> s_state[DD_KEYBOARD_NUM_KEYS];
static std::atomic<U32> s_au32Presses[DD_KEYBOARD_NUM_KEYS];
static std::atomic<pthread_t> hw_thread;

// The copier's own: the presses it has handed on and the level it handed on last.
static U32 s_au32PressesSeen[DD_KEYBOARD_NUM_KEYS];
static BOOLEAN s_abHandedOn[DD_KEYBOARD_NUM_KEYS];

// The command line's fake key: pressed 100 ms, released 250 ms, over and over.
static BOOLEAN fk_currstate = 0;
static S32 fk_lasttime = 200;

static void KEYBOARD_vSetLevel(U32 u32Index, BOOLEAN bDown) {
  if (bDown && !s_state[u32Index].load(std::memory_order_relaxed)) {
    s_au32Presses[u32Index].fetch_add(1, std::memory_order_relaxed);
  }
  s_state[u32Index].store(bDown, std::memory_order_release);
}

static void KEYBOARD_vApplyEvent(const struct input_event* pEvent) {
  // Value 2 is the kernel's own auto-repeat: repeats are made above.
  if (pEvent->type != EV_KEY || (pEvent->value != 0 && pEvent->value != 1)) return;
  for (U32 i = 0; i < DD_KEYBOARD_NUM_KEYS; i++) {
    if (s_au16KeyCodes[i] == pEvent->code) {
      KEYBOARD_vSetLevel(i, (BOOLEAN)pEvent->value);
      return;
    }
  }
}

void* DD_KEYBOARD_vThread(void*) {
  L_UTILS_bSetRealTime("key thread", 98);
  pthread_detach(pthread_self());
  show_linux_priority("key thread");

  // Read-write, so that on a host rig, where the keypad is a FIFO, a key tool
  // closing its end is not the end of the device.
  int fd = DD_DEVPATH_nOpen(KEYBOARD_DEVICE, O_RDWR);
  if (fd < 0) fd = DD_DEVPATH_nOpen(KEYBOARD_DEVICE, O_RDONLY);
  if (fd < 0) {
    log_me("[%d]%s: cannot open %s: %s; no keys", __LINE__, __func__, KEYBOARD_DEVICE, strerror(errno));
    return nullptr;
  }
  struct input_event event;
  size_t have = 0;
  for (;;) {
    ssize_t n = read(fd, (char*)&event + have, sizeof event - have);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      log_me("[%d]%s: keypad read ended: %s", __LINE__, __func__, n == 0 ? "end of file" : strerror(errno));
      break;
    }
    // An event device hands out whole records; a FIFO may split one.
    have += (size_t)n;
    if (have < sizeof event) continue;
    have = 0;
    KEYBOARD_vApplyEvent(&event);
  }
  close(fd);
  return nullptr;
}

void DD_KEYBOARD_vInit(void) {
  if (hw_thread.load() != 0) return;
  for (U32 i = 0; i < DD_KEYBOARD_NUM_KEYS; i++) {
    s_state[i].store(0, std::memory_order_relaxed);
    s_au32Presses[i].store(0, std::memory_order_relaxed);
    s_au32PressesSeen[i] = 0;
    s_abHandedOn[i] = 0;
  }
  hw_thread = L_UTILS_threadCreateSimpleThread("keyboard", DD_KEYBOARD_vThread, nullptr);
}

static void KEYBOARD_vFakeKey(void) {
  S32 index = opt_fakekey;
  // Any index outside the table is ignored rather than written beyond it.
  if (index < 0 || (U32)index >= DD_KEYBOARD_NUM_KEYS) return;
  S32 now = lm_gettime(nullptr);
  if (now <= fk_lasttime) return;
  fk_currstate = !fk_currstate;
  KEYBOARD_vSetLevel((U32)index, fk_currstate);
  fk_lasttime = now + (fk_currstate ? 100 : 250);
}

// A press not yet handed on is handed on now; when the last copy had the
// key down, that press came after a release, which goes first.
void DD_KEYBOARD_vGetState(BOOLEAN* pbList) {
  KEYBOARD_vFakeKey();
  for (U32 i = 0; i < DD_KEYBOARD_NUM_KEYS; i++) {
    const BOOLEAN bLevel = s_state[i].load(std::memory_order_acquire);
    const U32 u32Presses = s_au32Presses[i].load(std::memory_order_relaxed);
    BOOLEAN bDown = bLevel;
    if (u32Presses != s_au32PressesSeen[i]) {
      bDown = !s_abHandedOn[i];
      if (bDown) s_au32PressesSeen[i]++;
    }
    s_abHandedOn[i] = bDown;
    pbList[i] = bDown;
  }
}

BOOLEAN DD_KEYBOARD_bIsDown(U32 u32Index) {
  return u32Index < DD_KEYBOARD_NUM_KEYS && s_state[u32Index].load(std::memory_order_acquire);
}

void DD_KEYBOARD_vPhasedScan(void) {}
