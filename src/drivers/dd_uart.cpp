// One producer (the reader thread, putidx) and one consumer (the UART task,
// getidx) per ring; each index is written by its side only, so the ring needs
// no lock. The reader waits on the tty and on an eventfd together, so that a
// port being shut is left by its reader before the descriptor is closed and
// its number can be handed to another file, and so that a lend of the line
// finds it at once and parks it. The tty is opened non-blocking,
// so that a sender can hand the line what it takes at once and leave the rest
// to a writer; the blocking sends wait in poll instead.

#include "dd_uart.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdint.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "dd_devpath.h"
#include "linuxsvc.h"

static UART_INFO uart_info[DD_UART_NUM_PORTS] = {};

static const struct {
  const char* name;
  SEMA sema;
} s_aPorts[DD_UART_NUM_PORTS] = {
    {"/dev/ttyO4", SEMA_RECEIVE_RDY_UART0},
    {"/dev/ttyO1", SEMA_RECEIVE_RDY_UART1},
    {"/dev/ttyO3", SEMA_RECEIVE_RDY_UART2},
};

static const XLAT_BAUD xbtable[] = {
    {300, B300},     {1200, B1200},   {2400, B2400},   {4800, B4800},     {9600, B9600},
    {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200},
};
static const U32 XLAT_BAUD_ROWS = sizeof xbtable / sizeof xbtable[0];

static UART_INFO* UART_pPort(U8 u8Port) {
  if (u8Port >= DD_UART_NUM_PORTS) return nullptr;
  UART_INFO* p = &uart_info[u8Port];
  if (p->dev_name == nullptr) {
    // First touch: the table's fixed parts and a closed port.
    p->dev_name = s_aPorts[u8Port].name;
    p->receive_sema = s_aPorts[u8Port].sema;
    p->dev_handle = -1;
    p->stop_fd = -1;
    p->xmit_enable = TRUE;
  }
  return p;
}

static const XLAT_BAUD* UART_pBaud(U32 u32BaudRate) {
  for (U32 i = 0; i < XLAT_BAUD_ROWS; i++) {
    if (xbtable[i].baudrate == u32BaudRate) return &xbtable[i];
  }
  return nullptr;
}

BOOLEAN DD_UART_bIsSupportedBaudRate(U32 u32BaudRate) { return UART_pBaud(u32BaudRate) != nullptr; }

// Hands a run of bytes to the ring, one signal for each part that fits;
// waits while the ring is full so that nothing is lost or overwritten.
// FALSE when the port is being shut meanwhile.
static BOOLEAN UART_bPut(UART_INFO* p, const U8* pu8Bytes, U32 u32Count) {
  while (u32Count > 0) {
    const U32 put = p->putidx.load(std::memory_order_relaxed);
    const U32 room = (p->getidx.load(std::memory_order_acquire) + DD_UART_RING_SIZE - put - 1) % DD_UART_RING_SIZE;
    if (room == 0) {
      if (p->bStopping.load()) return FALSE;
      usleep(1);
      continue;
    }
    U32 run = u32Count < room ? u32Count : room;
    if (run > DD_UART_RING_SIZE - put) run = DD_UART_RING_SIZE - put;
    memcpy(&p->qbuffer[put], pu8Bytes, run);
    p->putidx.store((put + run) % DD_UART_RING_SIZE, std::memory_order_release);
    // A semaphore still signalled counts once: the consumer drains the ring.
    L_SEMA_Signal(p->receive_sema);
    pu8Bytes += run;
    u32Count -= run;
  }
  return TRUE;
}

void* DD_UART_ReadThread(void* vptr) {
  UART_INFO* p = (UART_INFO*)vptr;
  struct pollfd fds[2] = {{p->dev_handle, POLLIN, 0}, {p->stop_fd, POLLIN, 0}};
  U8 bytes[DD_UART_RING_SIZE];
  for (;;) {
    if (p->bLent.load()) {
      std::unique_lock<std::mutex> lock(p->lendLock);
      p->bParked = TRUE;
      p->lendChanged.notify_all();
      p->lendChanged.wait(lock, [p] { return !p->bLent.load() || p->bStopping.load(); });
      p->bParked = FALSE;
      if (p->bStopping.load()) break;
      continue;
    }
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (p->bStopping.load()) break;
    if (fds[1].revents != 0) {
      // A lend's nudge: the loop's top parks the reader.
      U64 nudges;
      (void)!read(p->stop_fd, &nudges, sizeof nudges);
      continue;
    }
    if (fds[0].revents == 0) continue;
    ssize_t n = read(p->dev_handle, bytes, sizeof bytes);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) {
      log_me("[%d]%s: %s read ended: %s", __LINE__, __func__, p->dev_name, n == 0 ? "end of file" : strerror(errno));
      break;
    }
    DD_UART_SINK* pfnSink = p->pfnSink.load();
    if (pfnSink != nullptr) {
      pfnSink((U8)(p - uart_info), bytes, (U32)n);
    } else if (!UART_bPut(p, bytes, (U32)n)) {
      break;
    }
  }
  p->bReaderEnded = TRUE;
  return nullptr;
}

void DD_UART_vInit(U8 u8Port) {
  UART_INFO* p = UART_pPort(u8Port);
  if (p == nullptr) return;
  if (p->dev_handle < 0) {
    p->dev_handle = DD_DEVPATH_nOpen(p->dev_name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (p->dev_handle < 0) {
      log_me("[%d]%s: cannot open %s: %s", __LINE__, __func__, p->dev_name, strerror(errno));
      return;
    }
  }
  struct termios tio;
  if (tcgetattr(p->dev_handle, &tio) != 0) {
    log_me("[%d]%s: %s is no serial line: %s", __LINE__, __func__, p->dev_name, strerror(errno));
    return;
  }
  tio.c_iflag = 0;
  tio.c_oflag = 0;
  tio.c_lflag = 0;
  tio.c_cflag = (tio.c_cflag & CBAUD) | CS8 | CREAD | CLOCAL;
  // Every byte as it comes.
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  tcsetattr(p->dev_handle, TCSANOW, &tio);

  if (p->uart_read_thread != 0 && p->bReaderEnded.load()) {
    pthread_join(p->uart_read_thread, nullptr);
    p->uart_read_thread = 0;
  }
  if (p->uart_read_thread == 0) {
    if (p->stop_fd < 0) p->stop_fd = eventfd(0, EFD_CLOEXEC);
    p->bStopping = FALSE;
    p->bReaderEnded = FALSE;
    p->uart_read_thread = L_UTILS_threadCreateSimpleThread("uart", DD_UART_ReadThread, p);
  }
}

void DD_UART_vChangeBaudRate(U8 u8Port, U32 u32BaudRate) {
  UART_INFO* p = UART_pPort(u8Port);
  const XLAT_BAUD* baud = UART_pBaud(u32BaudRate);
  if (p == nullptr || p->dev_handle < 0 || baud == nullptr) return;
  struct termios tio;
  if (tcgetattr(p->dev_handle, &tio) != 0) return;
  cfsetspeed(&tio, baud->baudbits);
  tcsetattr(p->dev_handle, TCSANOW, &tio);
}

void DD_UART_vTxRxEnable(U8 u8Port, BOOLEAN bTxEnable, BOOLEAN bRxEnable) {
  UART_INFO* p = UART_pPort(u8Port);
  if (p == nullptr) return;
  p->xmit_enable = bTxEnable;
  if (p->dev_handle < 0) return;
  struct termios tio;
  if (tcgetattr(p->dev_handle, &tio) != 0) return;
  if (bRxEnable) {
    tio.c_cflag |= CREAD;
  } else {
    tio.c_cflag &= ~(tcflag_t)CREAD;
  }
  tcsetattr(p->dev_handle, TCSANOW, &tio);
}

// Writes until all went, the line fails, or, unless bWait, the line is full.
static U32 UART_u32Write(UART_INFO* p, const U8* pu8Data, U32 u32Count, BOOLEAN bWait) {
  if (!p->xmit_enable || p->dev_handle < 0) return 0;
  U32 done = 0;
  while (done < u32Count) {
    const ssize_t n = write(p->dev_handle, pu8Data + done, u32Count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN && bWait) {
      struct pollfd out = {p->dev_handle, POLLOUT, 0};
      if (poll(&out, 1, -1) < 0 && errno != EINTR) break;
      continue;
    }
    if (n <= 0) break;
    done += (U32)n;
  }
  return done;
}

void DD_UART_vSendByte(U8 u8Port, U8 u8Data) {
  UART_INFO* p = UART_pPort(u8Port);
  if (p != nullptr) UART_u32Write(p, &u8Data, 1, TRUE);
}

U32 DD_UART_u32SendBlock(U8 u8Port, const U8* pu8Data, U32 u32Count) {
  UART_INFO* p = UART_pPort(u8Port);
  return p == nullptr ? 0 : UART_u32Write(p, pu8Data, u32Count, TRUE);
}

U32 DD_UART_u32TrySendBlock(U8 u8Port, const U8* pu8Data, U32 u32Count) {
  UART_INFO* p = UART_pPort(u8Port);
  return p == nullptr ? 0 : UART_u32Write(p, pu8Data, u32Count, FALSE);
}

void DD_UART_vSetSink(U8 u8Port, DD_UART_SINK* pfnSink) {
  UART_INFO* p = UART_pPort(u8Port);
  if (p != nullptr) p->pfnSink = pfnSink;
}

U32 DD_UART_u32Read(U8 u8Port, U8* pu8Bytes, U32 u32Max) {
  UART_INFO* p = UART_pPort(u8Port);
  if (p == nullptr || p->dev_handle < 0) return 0;
  U32 get = p->getidx.load(std::memory_order_relaxed);
  const U32 put = p->putidx.load(std::memory_order_acquire);
  U32 done = 0;
  while (done < u32Max && get != put) {
    U32 run = (put > get ? put : DD_UART_RING_SIZE) - get;
    if (run > u32Max - done) run = u32Max - done;
    memcpy(pu8Bytes + done, &p->qbuffer[get], run);
    done += run;
    get = (get + run) % DD_UART_RING_SIZE;
  }
  p->getidx.store(get, std::memory_order_release);
  return done;
}

U8 DD_UART_u8Getch(U8 u8Port) {
  UART_INFO* p = UART_pPort(u8Port);
  if (p == nullptr) return 0xFF;
  U32 get = p->getidx.load(std::memory_order_relaxed);
  if (get == p->putidx.load(std::memory_order_acquire)) return 0xFF;
  U8 byte = p->qbuffer[get];
  p->getidx.store((get + 1) % DD_UART_RING_SIZE, std::memory_order_release);
  return byte;
}

BOOLEAN DD_UART_bRxCharAvail(U8 u8Port) {
  UART_INFO* p = UART_pPort(u8Port);
  if (p == nullptr || p->dev_handle < 0) return FALSE;
  return p->putidx.load(std::memory_order_acquire) != p->getidx.load(std::memory_order_relaxed);
}

U32 DD_UART_u32FetchTxCount(U8 u8Port) {
  UART_INFO* p = UART_pPort(u8Port);
  int queued = 0;
  if (p == nullptr || p->dev_handle < 0 || ioctl(p->dev_handle, TIOCOUTQ, &queued) != 0) return 0;
  return (U32)queued;
}

BOOLEAN DD_UART_bTxComplete(U8 u8Port) { return DD_UART_u32FetchTxCount(u8Port) == 0; }
BOOLEAN DD_UART_bIsTxShifterEmpty(U8 u8Port) { return DD_UART_u32FetchTxCount(u8Port) == 0; }
BOOLEAN DD_UART_bTxBufferEmpty(U8) { return TRUE; }
U8 DD_UART_u8GetRxStatus(U8) { return 0; }
U32 DD_UART_u32ReadReceiveError(U8) { return 0; }
BOOLEAN DD_UART_bIsRxIntEnabled(U8) { return TRUE; }

BOOLEAN DD_UART_bLend(U8 u8Port, U32 u32Ms) {
  UART_INFO* p = UART_pPort(u8Port);
  if (p == nullptr || p->dev_handle < 0 || p->stop_fd < 0) return FALSE;
  std::unique_lock<std::mutex> lock(p->lendLock);
  p->bLent = TRUE;
  U64 one = 1;
  (void)!write(p->stop_fd, &one, sizeof one);
  if (p->lendChanged.wait_for(lock, std::chrono::milliseconds(u32Ms),
                              [p] { return p->bParked || p->bReaderEnded.load(); })) {
    return TRUE;
  }
  p->bLent = FALSE;
  p->lendChanged.notify_all();
  return FALSE;
}

void DD_UART_vEndLend(U8 u8Port) {
  UART_INFO* p = UART_pPort(u8Port);
  if (p == nullptr) return;
  std::lock_guard<std::mutex> lock(p->lendLock);
  p->bLent = FALSE;
  p->lendChanged.notify_all();
}

S32 DD_UART_s32ReadLent(U8 u8Port, U8* pu8Bytes, U32 u32Max, U32 u32Ms) {
  UART_INFO* p = UART_pPort(u8Port);
  if (p == nullptr || p->dev_handle < 0 || !p->bLent.load()) return -1;
  struct pollfd in = {p->dev_handle, POLLIN, 0};
  const int rc = poll(&in, 1, u32Ms > INT32_MAX ? INT32_MAX : (int)u32Ms);
  if (rc == 0 || (rc < 0 && errno == EINTR)) return 0;
  if (rc < 0) return -1;
  const ssize_t n = read(p->dev_handle, pu8Bytes, u32Max);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return 0;
  return n > 0 ? (S32)n : -1;
}

void DD_UART_vKill(U8 u8Port) {
  UART_INFO* p = UART_pPort(u8Port);
  if (p == nullptr) return;
  if (p->uart_read_thread != 0) {
    {
      std::lock_guard<std::mutex> lock(p->lendLock);
      p->bStopping = TRUE;
      p->lendChanged.notify_all();
    }
    U64 one = 1;
    (void)!write(p->stop_fd, &one, sizeof one);
    pthread_join(p->uart_read_thread, nullptr);
    p->uart_read_thread = 0;
    U64 drained;
    (void)!read(p->stop_fd, &drained, sizeof drained);
  }
  if (p->dev_handle >= 0) close(p->dev_handle);
  p->dev_handle = -1;
}

pthread_t DD_UART_ReaderThread(U8 u8Port) {
  UART_INFO* p = UART_pPort(u8Port);
  return p == nullptr ? 0 : p->uart_read_thread;
}
