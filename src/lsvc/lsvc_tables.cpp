// The name of every service-layer id, so that log lines and dumps say which
// task or object they mean.

#include "linuxsvc.h"

#define LSVC_NAME(name, value) #name,

const char* const str_tasks[ntasks + 2] = {"", LSVC_TASK_LIST(LSVC_NAME)};
const char* const str_semaphores[nsemas + 1] = {"", LSVC_SEMA_LIST(LSVC_NAME)};
const char* const str_mailboxes[nmboxes + 1] = {"", LSVC_MBOX_LIST(LSVC_NAME)};
const char* const str_queues[nqueues + 1] = {"", LSVC_QUEUE_LIST(LSVC_NAME)};
const char* const str_mutexes[nres + 1] = {"", LSVC_MUTEX_LIST(LSVC_NAME)};
const char* const str_memblocks[1] = {""};

#undef LSVC_NAME

static const char* NAME_pcLookup(const char* const* table, S32 count, S32 id) {
  if (id < 0 || id > count) return "INVALID";
  return table[id];
}

const char* get_task_name(S32 id) { return NAME_pcLookup(str_tasks, ntasks + 1, id); }

const char* get_semaphore_name(S32 id) {
  if (id == RC_TIMEOUT) return "RC_TIMEOUT";
  return NAME_pcLookup(str_semaphores, nsemas, id);
}

const char* get_queue_name(S32 id) { return NAME_pcLookup(str_queues, nqueues, id); }
const char* get_mutex_name(S32 id) { return NAME_pcLookup(str_mutexes, nres, id); }
const char* get_mailbox_name(S32 id) { return NAME_pcLookup(str_mailboxes, nmboxes, id); }
const char* get_memory_name(S32) { return str_memblocks[0]; }
