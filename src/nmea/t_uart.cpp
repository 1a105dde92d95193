// The UART task owns the serial channels: received bytes go into the
// channel's receive queue for the task that claimed the channel, by its first
// character of a line or outright, and a writer thread per channel moves the
// transmit queue to the line. The driver's reader thread hands each run it
// reads to this module's sink, which puts it in the queue at once: a task
// between reader and owner would cost a wake-up per run. The channel's
// receive lock keeps the sink, this task's draining of what the driver's
// ring holds from before, and the claims made by mail in one order. The
// writer is a thread of its own because a write to a line nobody reads
// blocks: then only that writer waits, never this task, and the senders wait,
// bounded, for room.
// Both directions move whatever is waiting as one block: a lock, a signal
// and a system call per byte cost the board more than the line itself. A
// sender that finds the line idle writes to it itself, without blocking,
// sparing the writer's wake-up; the channel's transmit lock keeps such a
// write from passing bytes queued or taken before it.

#include "t_uart.h"

#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "dd_uart.h"
#include "error.h"
#include "h_database.h"
#include "h_memory.h"
#include "h_uart.h"
#include "linuxsvc.h"
#include "u_uart.h"

// One conditional claim: a line starting with the trigger hands the channel
// to the task.
typedef struct tag_CONDITIONAL_CHANNEL_LOCK {
  BYTE cTriggerCharacter;
  SEMA semaNotify;
  TASK taskOwner;
  tag_CONDITIONAL_CHANNEL_LOCK* pNext;  // older claim
} CONDITIONAL_CHANNEL_LOCK;

// The writer of one channel. A writer left blocked by a line nobody reads
// keeps its record, so the record is never freed; a joined one is reused.
typedef struct tag_UART_WRITER {
  U8 u8Channel;
  QUEUE queue;
  pthread_t thread;
  std::atomic<BOOLEAN> bStop;
  SEMA semaQueued;                // the transmit queue's, signalled on every put
  std::atomic<BOOLEAN> bWriting;  // may hold bytes taken from the queue
} UART_WRITER;

typedef struct tag_CHANNEL_SETUP {
  U32 u32InitialBaudRate;
  BOOLEAN bHalfDuplex;
  QUEUE queueTransmit;
  QUEUE queueReceive;
  SEMA semaTransmit;      // the transmit queue's, signalled on every put
  SEMA semaReceive;       // the receive queue's, signalled on every put
  SEMA semaReceiveReady;  // the driver's, signalled per run of received bytes
  U32 u32ReceiveDepth;    // 0: the queue table's depth
  U32 u32TransmitDepth;   // 0: the queue table's depth
} CHANNEL_SETUP;

static const CHANNEL_SETUP s_aSetup[UART_CHANNELS] = {
    {4800, FALSE, Q_TRANSMIT_UART0, Q_RECEIVE_UART0, SEMA_QUEUE_TX0, SEMA_QUEUE_RX0, SEMA_RECEIVE_RDY_UART0, 0, 0},
    {38400, FALSE, Q_TRANSMIT_UART1, Q_RECEIVE_UART1, SEMA_QUEUE_TX1, SEMA_QUEUE_RX1, SEMA_RECEIVE_RDY_UART1, 0, 0},
    {38400, FALSE, Q_TRANSMIT_UART2, Q_RECEIVE_UART2, SEMA_QUEUE_TX2, SEMA_QUEUE_RX2, SEMA_RECEIVE_RDY_UART2,
     UART_RX2_DEPTH, UART_TX2_DEPTH},
};

typedef struct tag_CHANNEL_CONTROL {
  std::atomic<TASK> taskOwner;  // 0 = nobody
  U32 u32CharacterTime;         // microseconds per character
  std::atomic<U32> u32CurrentBaudrate;
  CONDITIONAL_CHANNEL_LOCK* pConditionalList;  // newest first
  BOOLEAN bFindInitialCR;
  BOOLEAN bLastCharCR;
  U32 u32LastByteMs;  // when the line last carried a byte, or was set up
  std::atomic<U32> u32Dropped;
  std::atomic<U32> u32Received;  // never reset: see T_UART_u32ReceivedBytes
  U32 u32DroppedLogged;
  U32 u32LastDropLogMs;
  std::atomic<UART_WRITER*> pWriter;
  std::atomic<U32> u32Unsent;  // taken to send, never written
  BOOLEAN bLineFailing;        // by the writer only: its last block was not taken whole
} CHANNEL_CONTROL;

static CHANNEL_CONTROL s_sControl[UART_CHANNELS];
// Over the writer's taking of bytes from the queue and a sender's own write.
static std::mutex s_aTransmitLock[UART_CHANNELS];
// Over a channel's receive state: owner, claims, line-start tracking, the
// entries buffer; the transmit side never takes it.
static std::mutex s_aReceiveLock[UART_CHANNELS];
static std::atomic<BOOLEAN> s_bInitPeriod{TRUE};
static std::atomic<BOOLEAN> s_bShutdown{FALSE};
static TIMER_INFO* s_pInitTimer = nullptr;

constexpr U32 UART_INIT_PERIOD_MS = 800;
constexpr U32 UART_WRITER_POLL_MS = 50;
// An idle writer wakes only for bytes or to stop, both of which signal its
// semaphore: the bound is a backstop, not a poll.
constexpr U32 UART_WRITER_IDLE_MS = 1000;
constexpr U32 UART_WRITER_JOIN_MS = 200;
constexpr U32 UART_DROP_LOG_MS = 1000;
// How long a lend waits for the driver's reader to stand still.
constexpr U32 UART_LEND_MS = 200;
// A talker never pauses this long inside a line, so the first byte after
// such a silence starts one: a PC's first request on a quiet line is heard
// from its '#'. A byte stream joined mid-line is still skipped to its end.
constexpr U32 UART_QUIET_LINE_MS = 250;
// Tries of a write that moves nothing before the rest of its block is given up.
constexpr U32 UART_WRITE_TRIES = 3;
// Bytes one write hands the line: a whole XMODEM-1K packet and then some.
constexpr U32 UART_WRITER_BLOCK = 2048;

static BOOLEAN UART_bIsLineEnd(U8 c) { return c == '\r' || c == '\n'; }

// ---------------------------------------------------------------------------
// Writers

// The driver's write comes back short only when the line fails or the writer
// is told to stop: the rest is tried again, a poll apart, until a few tries
// in a row move nothing, and what never went is counted. A failed line fails
// for every block: its log line comes when it fails and when it takes bytes
// again, not for each block between.
static void UART_vPutWhole(UART_WRITER* w, const U8* pu8Block, U32 u32Count) {
  U32 done = 0;
  for (U32 tries = 0; done < u32Count && tries < UART_WRITE_TRIES && !w->bStop.load();) {
    const U32 n = H_UART_u32PutBlock(w->u8Channel, pu8Block + done, u32Count - done);
    done += n < u32Count - done ? n : u32Count - done;
    if (n > 0) {
      tries = 0;
    } else if (++tries < UART_WRITE_TRIES) {
      L_CLOCK_Sleep(UART_WRITER_POLL_MS);
    }
  }
  CHANNEL_CONTROL* c = &s_sControl[w->u8Channel];
  if (done == u32Count) {
    if (c->bLineFailing) {
      log_me("[%d]%s: channel %u: the line takes bytes again; %u were lost", __LINE__, __func__, w->u8Channel,
             c->u32Unsent.load());
    }
    c->bLineFailing = FALSE;
    return;
  }
  const U32 u32Unsent = c->u32Unsent += u32Count - done;
  if (c->bLineFailing) return;
  c->bLineFailing = TRUE;
  log_me("[%d]%s: channel %u: the line took %u of %u bytes, %u lost so far; further losses are counted", __LINE__,
         __func__, w->u8Channel, done, u32Count, u32Unsent);
}

// Busy is set before the queue is looked at, so that the transmit-idle test
// never finds the queue empty while taken bytes have yet to reach the line.
// An empty queue is waited for on its semaphore: a put between the look and
// the wait leaves it signalled, so no byte waits out the poll.
static void* UART_pvWriter(void* pv) {
  UART_WRITER* w = (UART_WRITER*)pv;
  U8 block[UART_WRITER_BLOCK];
  while (!w->bStop.load()) {
    S32 n;
    {
      std::lock_guard<std::mutex> guard(s_aTransmitLock[w->u8Channel]);
      w->bWriting = TRUE;
      n = L_QUEUE_GetMany(w->queue, block, sizeof block, 0);
      if (n <= 0) w->bWriting = FALSE;
    }
    if (n > 0 && !w->bStop.load()) UART_vPutWhole(w, block, (U32)n);
    w->bWriting = FALSE;
    if (n > 0) continue;
    // A wait refused outright (another thread waits on the semaphore) must
    // not turn the loop into a spin.
    const ERC rc = L_SEMA_WaitTicks(w->semaQueued, UART_WRITER_IDLE_MS);
    if (rc != 0 && rc != RC_TIMEOUT) L_CLOCK_Sleep(UART_WRITER_POLL_MS);
  }
  return nullptr;
}

static void UART_vStartWriter(U8 u8Channel) {
  CHANNEL_CONTROL* c = &s_sControl[u8Channel];
  UART_WRITER* w = c->pWriter.load();
  if (w == nullptr) w = new UART_WRITER();
  w->u8Channel = u8Channel;
  w->queue = s_aSetup[u8Channel].queueTransmit;
  w->semaQueued = s_aSetup[u8Channel].semaTransmit;
  w->bStop = FALSE;
  w->bWriting = FALSE;
  w->thread = L_UTILS_threadCreateSimpleThread("uart-tx", UART_pvWriter, w);
  c->pWriter = w;
  if (w->thread == 0) log_me("[%d]%s: no writer for channel %u: nothing will be sent", __LINE__, __func__, u8Channel);
}

static void UART_vAskWriterToStop(U8 u8Channel) {
  UART_WRITER* w = s_sControl[u8Channel].pWriter.load();
  if (w == nullptr) return;
  w->bStop = TRUE;
  L_SEMA_Signal(w->semaQueued);
}

// A writer blocked in a write is left to end when the write returns.
static void UART_vStopWriter(U8 u8Channel) {
  CHANNEL_CONTROL* c = &s_sControl[u8Channel];
  UART_WRITER* w = c->pWriter.load();
  if (w == nullptr || w->thread == 0) return;
  UART_vAskWriterToStop(u8Channel);
  struct timespec deadline;
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_nsec += (long)UART_WRITER_JOIN_MS * 1000000L;
  deadline.tv_sec += deadline.tv_nsec / 1000000000L;
  deadline.tv_nsec %= 1000000000L;
  if (pthread_timedjoin_np(w->thread, nullptr, &deadline) == 0) {
    w->thread = 0;
    return;
  }
  pthread_detach(w->thread);
  c->pWriter = nullptr;
  log_me("[%d]%s: channel %u: the line takes no bytes; its writer ends when it does", __LINE__, __func__, u8Channel);
}

// ---------------------------------------------------------------------------
// Client side

QUEUE T_UART_nGetQueue(U8 u8Channel, BOOLEAN bTxNotRx) {
  if (u8Channel >= UART_CHANNELS) return -1;
  return bTxNotRx ? s_aSetup[u8Channel].queueTransmit : s_aSetup[u8Channel].queueReceive;
}

BOOLEAN T_UART_bChannelIsOwned(U8 u8Channel) { return T_UART_taskChannelOwner(u8Channel) != 0; }

TASK T_UART_taskChannelOwner(U8 u8Channel) {
  return u8Channel < UART_CHANNELS ? s_sControl[u8Channel].taskOwner.load() : 0;
}

void T_UART_vHandleTransmit(U8 u8Channel) {
  if (u8Channel >= UART_CHANNELS || !s_bShutdown.load()) return;
  L_QUEUE_Purge(s_aSetup[u8Channel].queueTransmit);
  L_QUEUE_Purge(s_aSetup[u8Channel].queueReceive);
}

U32 T_UART_u32Send(U8 u8Channel, const U8* pu8Bytes, U32 u32Count, TICKS ticks) {
  if (u8Channel >= UART_CHANNELS) return 0;
  const QUEUE queue = s_aSetup[u8Channel].queueTransmit;
  U32 done = 0;
  {
    std::lock_guard<std::mutex> guard(s_aTransmitLock[u8Channel]);
    UART_WRITER* w = s_sControl[u8Channel].pWriter.load();
    // Only a running writer would take up what the line leaves; without one
    // the queue is all there is.
    if (w != nullptr && !w->bStop.load() && !w->bWriting.load() && L_QUEUE_Inquire(queue) == 0) {
      w->bWriting = TRUE;
      done = H_UART_u32TryPutBlock(u8Channel, pu8Bytes, u32Count);
      w->bWriting = FALSE;
    }
    const S32 put = done < u32Count ? L_QUEUE_PutMany(queue, pu8Bytes + done, u32Count - done, 0) : 0;
    if (put > 0) done += (U32)put;
  }
  while (done < u32Count) {
    const S32 put = L_QUEUE_PutMany(queue, pu8Bytes + done, u32Count - done, ticks);
    if (put <= 0) break;
    done += (U32)put;
  }
  return done;
}

static void UART_vHandleReceive(U8 u8Channel);

BOOLEAN T_UART_bLendReceive(U8 u8Channel) {
  if (u8Channel >= UART_CHANNELS || s_sControl[u8Channel].taskOwner.load() == 0 || s_bInitPeriod.load()) {
    return FALSE;
  }
  if (!H_UART_bLendReceive(u8Channel, UART_LEND_MS)) return FALSE;
  // What the driver's ring still holds came before anything read from now on.
  UART_vHandleReceive(u8Channel);
  return TRUE;
}

void T_UART_vEndLend(U8 u8Channel) {
  if (u8Channel < UART_CHANNELS) H_UART_vEndLend(u8Channel);
}

S32 T_UART_s32ReadLent(U8 u8Channel, U8* pu8Bytes, U32 u32Max, TICKS ticks) {
  if (u8Channel >= UART_CHANNELS) return -1;
  const S32 n = H_UART_s32ReadLent(u8Channel, pu8Bytes, u32Max, ticks);
  if (n > 0) {
    CHANNEL_CONTROL* c = &s_sControl[u8Channel];
    std::lock_guard<std::mutex> guard(s_aReceiveLock[u8Channel]);
    c->u32LastByteMs = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
    c->u32Received += (U32)n;
    c->bLastCharCR = UART_bIsLineEnd(pu8Bytes[n - 1]);
  }
  return n;
}

BOOLEAN T_UART_bTransmitIdle(U8 u8Channel) {
  if (u8Channel >= UART_CHANNELS) return TRUE;
  UART_WRITER* w = s_sControl[u8Channel].pWriter.load();
  return L_QUEUE_Inquire(s_aSetup[u8Channel].queueTransmit) == 0 && (w == nullptr || !w->bWriting.load());
}

U32 T_UART_u32DroppedBytes(U8 u8Channel) {
  return u8Channel < UART_CHANNELS ? s_sControl[u8Channel].u32Dropped.load() : 0;
}

U32 T_UART_u32UnsentBytes(U8 u8Channel) {
  return u8Channel < UART_CHANNELS ? s_sControl[u8Channel].u32Unsent.load() : 0;
}

U32 T_UART_u32ReceivedBytes(U8 u8Channel) {
  return u8Channel < UART_CHANNELS ? s_sControl[u8Channel].u32Received.load() : 0;
}

BOOLEAN T_UART_bInStartPeriod(void) { return s_bInitPeriod.load(); }

U32 T_UART_u32CurrentBaudRate(U8 u8Channel) {
  return u8Channel < UART_CHANNELS ? s_sControl[u8Channel].u32CurrentBaudrate.load() : 0;
}

// ---------------------------------------------------------------------------
// Receiving

// Hands a run of received bytes to the channel's owner in one put. A lost
// byte is never silent: counted, and logged at most once a second. Under the
// channel's receive lock.
static void UART_vPutRun(U8 u8Channel, const U8* pu8Bytes, U32 u32Count) {
  CHANNEL_CONTROL* p = &s_sControl[u8Channel];
  static U16 s_aau16Entries[UART_CHANNELS][DD_UART_RING_SIZE];
  U16* pu16Entries = s_aau16Entries[u8Channel];
  U32 lost = 0;
  for (U32 done = 0; done < u32Count;) {
    const U32 run = u32Count - done < DD_UART_RING_SIZE ? u32Count - done : DD_UART_RING_SIZE;
    for (U32 i = 0; i < run; i++) pu16Entries[i] = pu8Bytes[done + i];
    const S32 put = L_QUEUE_PutMany(s_aSetup[u8Channel].queueReceive, pu16Entries, run, 0);
    lost += run - (put > 0 ? (U32)put : 0);
    done += run;
  }
  if (lost == 0) return;
  const U32 dropped = p->u32Dropped += lost;
  U32 now = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
  if (p->u32DroppedLogged == 0 || H_TICK_u32ElapsedTime(p->u32LastDropLogMs, now) >= UART_DROP_LOG_MS) {
    log_me("[%d]%s: channel %u: receive queue full, %u bytes lost so far", __LINE__, __func__, u8Channel, dropped);
    p->u32DroppedLogged = dropped;
    p->u32LastDropLogMs = now;
  }
}

// TRUE when a conditional claim on the line's first character hands the
// unowned channel over; the newest claim on it wins.
static BOOLEAN UART_bClaimedBy(CHANNEL_CONTROL* c, U8 byte) {
  for (CONDITIONAL_CHANNEL_LOCK* claim = c->pConditionalList; claim != nullptr; claim = claim->pNext) {
    if (claim->cTriggerCharacter != byte) continue;
    L_SEMA_Signal(claim->semaNotify);
    c->taskOwner = claim->taskOwner;
    return TRUE;
  }
  return FALSE;
}

// Only the first character of a line can hand an unowned channel over; from
// the trigger on, the rest of the block is the owner's.
static void UART_vReceiveBlock(U8 u8Channel, const U8* pu8Bytes, U32 u32Count) {
  CHANNEL_CONTROL* c = &s_sControl[u8Channel];
  U32 i = 0;
  while (c->bFindInitialCR && i < u32Count) {
    if (UART_bIsLineEnd(pu8Bytes[i++])) {
      c->bFindInitialCR = FALSE;
      c->bLastCharCR = TRUE;
    }
  }
  while (i < u32Count && c->taskOwner.load() == 0) {
    if (c->bLastCharCR && UART_bClaimedBy(c, pu8Bytes[i])) break;
    c->bLastCharCR = UART_bIsLineEnd(pu8Bytes[i++]);
  }
  if (i == u32Count) return;
  UART_vPutRun(u8Channel, pu8Bytes + i, u32Count - i);
  c->bLastCharCR = UART_bIsLineEnd(pu8Bytes[u32Count - 1]);
}

// A run of received bytes; the start period's are counted and dropped, and
// tell that the line is not quiet.
static void UART_vTakeRun(U8 u8Channel, const U8* pu8Bytes, U32 u32Count) {
  CHANNEL_CONTROL* c = &s_sControl[u8Channel];
  const U32 now = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
  if (!s_bInitPeriod) {
    if (H_TICK_u32ElapsedTime(c->u32LastByteMs, now) >= UART_QUIET_LINE_MS) {
      c->bFindInitialCR = FALSE;
      c->bLastCharCR = TRUE;
    }
    UART_vReceiveBlock(u8Channel, pu8Bytes, u32Count);
  }
  c->u32LastByteMs = now;
  c->u32Received += u32Count;
}

// What the driver's ring holds: runs read before the sink was set. Under the
// channel's receive lock.
static void UART_vDrainRing(U8 u8Channel) {
  static U8 s_aau8Bytes[UART_CHANNELS][DD_UART_RING_SIZE];
  U8* pu8Bytes = s_aau8Bytes[u8Channel];
  for (U32 n; (n = H_UART_u32FetchRxBlock(u8Channel, pu8Bytes, DD_UART_RING_SIZE)) > 0;) {
    UART_vTakeRun(u8Channel, pu8Bytes, n);
  }
}

static void UART_vHandleReceive(U8 u8Channel) {
  std::lock_guard<std::mutex> guard(s_aReceiveLock[u8Channel]);
  UART_vDrainRing(u8Channel);
}

// The driver's reader thread, with every run it reads: older bytes still in
// the ring go first.
static void UART_vReceiveSink(U8 u8Channel, const U8* pu8Bytes, U32 u32Count) {
  if (u8Channel >= UART_CHANNELS) return;
  std::lock_guard<std::mutex> guard(s_aReceiveLock[u8Channel]);
  UART_vDrainRing(u8Channel);
  UART_vTakeRun(u8Channel, pu8Bytes, u32Count);
}

// ---------------------------------------------------------------------------
// Requests

static void UART_vSetRate(U8 u8Channel, U32 u32Baud) {
  CHANNEL_CONTROL* c = &s_sControl[u8Channel];
  c->u32CurrentBaudrate = u32Baud;
  c->u32CharacterTime = H_UART_u32SetBaudRate(u8Channel, u32Baud);
}

// A rate the driver does not have is refused and changes nothing, so the
// table never claims a rate the line does not run at.
static void UART_vChangeBaudRate(MSG_CHANGE_BAUD_RATE* pMsg) {
  U8 ch = pMsg->uart;
  TASK sender = pMsg->Header.msghdr.task;
  pMsg->flag = FALSE;
  if (ch >= UART_CHANNELS || !DD_UART_bIsSupportedBaudRate(pMsg->baud_rate)) return;
  TASK owner = s_sControl[ch].taskOwner.load();
  if (owner != 0 && owner != sender) return;
  pMsg->flag = TRUE;
  if (pMsg->baud_rate != s_sControl[ch].u32CurrentBaudrate.load()) UART_vSetRate(ch, pMsg->baud_rate);
}

static void UART_vDisconnect(const MSG_DISCONNECT* pMsg) {
  U8 ch = pMsg->channel;
  if (ch >= UART_CHANNELS || s_sControl[ch].taskOwner.load() != pMsg->Header.msghdr.task) return;
  CHANNEL_CONTROL* c = &s_sControl[ch];
  UART_vSetRate(ch, pMsg->flag ? 4800 : s_aSetup[ch].u32InitialBaudRate);
  std::lock_guard<std::mutex> guard(s_aReceiveLock[ch]);
  c->taskOwner = 0;
  c->bFindInitialCR = TRUE;
  c->bLastCharCR = FALSE;
  log_me("[%d]%s: channel %u released, at %u baud", __LINE__, __func__, ch, c->u32CurrentBaudrate.load());
}

static void UART_vCapture(MSG_CAPTURE_CHANNEL* pMsg) {
  U8 ch = pMsg->uart;
  TASK sender = pMsg->Header.msghdr.task;
  pMsg->flag = FALSE;
  if (ch >= UART_CHANNELS) return;
  CHANNEL_CONTROL* c = &s_sControl[ch];
  std::lock_guard<std::mutex> guard(s_aReceiveLock[ch]);
  TASK owner = c->taskOwner.load();
  if (pMsg->semaphore == UART_CLAIM_OUTRIGHT || pMsg->semaphore == UART_CLAIM_TAKE_OVER) {
    const BOOLEAN bFree = owner == 0 || owner == sender;
    if (pMsg->semaphore == UART_CLAIM_OUTRIGHT && !bFree) return;
    c->taskOwner = sender;
    c->bFindInitialCR = FALSE;
    pMsg->flag = TRUE;
    return;
  }
  // An owner that came in by a trigger does not block new conditional claims.
  if (owner != 0 && c->pConditionalList == nullptr) return;
  CONDITIONAL_CHANNEL_LOCK* claim = (CONDITIONAL_CHANNEL_LOCK*)H_MEMORY_pvCalloc(1, sizeof *claim);
  claim->cTriggerCharacter = pMsg->byteMatchCharacter;
  claim->semaNotify = pMsg->semaphore;
  claim->taskOwner = sender;
  claim->pNext = c->pConditionalList;
  c->pConditionalList = claim;
  pMsg->flag = TRUE;
}

// Under the channel's receive lock.
static void UART_vFreeClaims(CHANNEL_CONTROL* c) {
  while (CONDITIONAL_CHANNEL_LOCK* claim = c->pConditionalList) {
    c->pConditionalList = claim->pNext;
    H_MEMORY_vFree(claim);
  }
}

static void UART_vShutdown(void) {
  for (U8 ch = 0; ch < UART_CHANNELS; ch++) UART_vAskWriterToStop(ch);
  for (U8 ch = 0; ch < UART_CHANNELS; ch++) {
    H_TICK_vSetFineTimer(ch, 0, nullptr);
    UART_vStopWriter(ch);
    H_UART_vShutdown(ch);
    std::lock_guard<std::mutex> guard(s_aReceiveLock[ch]);
    s_sControl[ch].taskOwner = 0;
    UART_vFreeClaims(&s_sControl[ch]);
  }
  s_bShutdown = TRUE;
  for (U8 ch = 0; ch < UART_CHANNELS; ch++) T_UART_vHandleTransmit(ch);
}

static void UART_vHandleMailbox(void) {
  while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_COM1A)) {
    switch (pMsg->Cmd) {
      case CMD_ID_CHANGE_BAUD_RATE:
        UART_vChangeBaudRate((MSG_CHANGE_BAUD_RATE*)pMsg);
        break;
      case CMD_ID_DISCONNECT:
        UART_vDisconnect((MSG_DISCONNECT*)pMsg);
        break;
      case CMD_ID_CAPTURE_CHANNEL:
        UART_vCapture((MSG_CAPTURE_CHANNEL*)pMsg);
        break;
      case CMD_ID_SHUTDOWN:
        UART_vShutdown();
        break;
      default:
        break;
    }
    H_MEMORY_vDumpMail(pMsg);
  }
}

// ---------------------------------------------------------------------------
// Start and wait loop

// A previous run of the task in this process (tests restart it) may have
// left ports open, writers running and claims queued.
static void UART_vResetChannels(void) {
  for (U8 ch = 0; ch < UART_CHANNELS; ch++) UART_vAskWriterToStop(ch);
  for (U8 ch = 0; ch < UART_CHANNELS; ch++) {
    CHANNEL_CONTROL* c = &s_sControl[ch];
    const CHANNEL_SETUP* s = &s_aSetup[ch];
    UART_vStopWriter(ch);
    H_UART_vShutdown(ch);
    std::unique_lock<std::mutex> guard(s_aReceiveLock[ch]);
    UART_vFreeClaims(c);
    c->taskOwner = 0;
    c->bFindInitialCR = TRUE;
    c->bLastCharCR = FALSE;
    c->u32Dropped = 0;
    c->u32DroppedLogged = 0;
    c->u32LastByteMs = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
    c->u32Unsent = 0;
    c->bLineFailing = FALSE;
    guard.unlock();
    if (s->u32ReceiveDepth != 0) L_QUEUE_Define(s->queueReceive, sizeof(U16), s->u32ReceiveDepth, nullptr, 0);
    if (s->u32TransmitDepth != 0) L_QUEUE_Define(s->queueTransmit, 1, s->u32TransmitDepth, nullptr, 0);
    L_QUEUE_DefineSema(s->queueReceive, s->semaReceive, QNE);
    L_QUEUE_DefineSema(s->queueTransmit, s->semaTransmit, QNE);
    L_QUEUE_Purge(s->queueReceive);
    L_QUEUE_Purge(s->queueTransmit);
    H_UART_vSetReceiveSink(ch, UART_vReceiveSink);
    c->u32CurrentBaudrate = s->u32InitialBaudRate;
    c->u32CharacterTime = H_UART_u32Setup(ch, s->u32InitialBaudRate, s->bHalfDuplex);
    if (!s->bHalfDuplex) H_UART_vSetMode(ch, UART_FULL_DUPLEX);
    UART_vStartWriter(ch);
  }
}

void T_UART_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)gettid());
  if (H_DATABASE_bUpdateEverythingU32(FCID("TURT"), (U32)M_COM1A, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the UART Task Mailbox");
  }
  s_bShutdown = FALSE;
  s_bInitPeriod = TRUE;
  UART_vResetChannels();
  if (s_pInitTimer != nullptr) L_TIMER_Release(s_pInitTimer);
  s_pInitTimer = L_TIMER_Start(nullptr, UART_INIT_PERIOD_MS, 0, SEMA_TIMER_UART_INIT);
  if (s_pInitTimer == nullptr) ERROR_vFatal(__FILE_NAME__, __LINE__, "No TImers");

  // Every channel is full duplex and the driver reports no receive errors,
  // so the turn-around and receive-error signals are not waited on; bytes to
  // send go by the writers.
  static const SEMA s_aEvents[] = {SEMA_RECEIVE_RDY_UART0, SEMA_RECEIVE_RDY_UART1, SEMA_MBOX_COM1A,
                                   SEMA_RECEIVE_RDY_UART2, SEMA_TIMER_UART_INIT, 0};
  for (;;) {
    S32 event = L_SEMA_WaitMultiple(s_aEvents);
    for (U8 ch = 0; ch < UART_CHANNELS; ch++) {
      if (event == s_aSetup[ch].semaReceiveReady) UART_vHandleReceive(ch);
    }
    if (event == SEMA_MBOX_COM1A) UART_vHandleMailbox();
    if (event == SEMA_TIMER_UART_INIT) {
      s_bInitPeriod = FALSE;
      L_TIMER_Release(s_pInitTimer);
      s_pInitTimer = nullptr;
    }
  }
}
