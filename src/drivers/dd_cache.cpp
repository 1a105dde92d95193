// Empty on purpose: the kernel owns the caches; a user process has nothing to enable or flush.

#include "dd_cache.h"

void DD_CACHE_vEnable(void) {}
void DD_CACHE_vDisable(void) {}
void DD_CACHE_vFlush(void) {}
void DD_CACHE_vSetNonCacheableArea0(void*, void*) {}
void DD_CACHE_vSetNonCacheableArea1(void*, void*) {}
void DD_CACHE_vResetNonCacheableArea0(void) {}
void DD_CACHE_vResetNonCacheableArea1(void) {}
