// Cache control: the kernel owns the caches here, so every call does nothing.
#pragma once

void DD_CACHE_vEnable(void);
void DD_CACHE_vDisable(void);
void DD_CACHE_vFlush(void);
void DD_CACHE_vSetNonCacheableArea0(void* pvStart, void* pvEnd);
void DD_CACHE_vSetNonCacheableArea1(void* pvStart, void* pvEnd);
void DD_CACHE_vResetNonCacheableArea0(void);
void DD_CACHE_vResetNonCacheableArea1(void);
