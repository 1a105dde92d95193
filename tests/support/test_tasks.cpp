#include "test_tasks.h"

#include <array>
#include <mutex>
#include <utility>

#include "test_timing.h"

static std::array<std::function<void()>, ntasks> s_afnBodies;

template <int N>
static void TEST_vEntry() {
  std::function<void()> body = s_afnBodies[N];
  if (body) body();
}

// Every task the stack of the unit's view task: on a 32-bit build nothing is
// added to it, and FreeType drawing a glyph for the first time needs most of it.
template <int... N>
static constexpr std::array<TASK_PARAM, ntasks> TEST_MakeTable(std::integer_sequence<int, N...>) {
  return {TASK_PARAM{8192, 100, TEST_vEntry<N>}...};
}

static constexpr std::array<TASK_PARAM, ntasks> s_aTable = TEST_MakeTable(std::make_integer_sequence<int, ntasks>{});

const TASK_PARAM TaskParams[ntasks] = {
#define ROW(i) s_aTable[i]
#define ROW10(i) ROW(i), ROW(i + 1), ROW(i + 2), ROW(i + 3), ROW(i + 4), ROW(i + 5), ROW(i + 6), ROW(i + 7), ROW(i + 8), ROW(i + 9)
    ROW10(0), ROW10(10), ROW10(20), ROW10(30), ROW10(40), ROW10(50), ROW10(60), ROW(70),
#undef ROW10
#undef ROW
};

void TEST_vInitServiceLayer(void) {
  static std::once_flag s_once;
  std::call_once(s_once, LSVC_vInit);
}

ERC TEST_StartTask(TASK id, std::function<void()> body) {
  TEST_bJoinTask(id);
  s_afnBodies[id - 1] = std::move(body);
  return L_TASK_Start(id);
}

BOOLEAN TEST_bJoinTask(TASK id, U32 ms) {
  return TEST_bWaitUntil([id] { return !L_TASK_bIsRunning(id); }, ms) ? TRUE : FALSE;
}
