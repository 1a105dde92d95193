// The secrets the accessory links share with their peers: ten handshake key
// pairs and the trolling-motor link's initial key. They are provisioning
// data, never part of the source: they are read from a key file, and
// without it every operation that needs them refuses.
#pragma once

#include "basetypes.h"

constexpr int U_ACCKEYS_HANDSHAKE_KEYS = 10;
constexpr int U_ACCKEYS_LINK_KEY_BYTES = 32;

// One handshake key pair: public exponent e, modulus n, private exponent d.
struct ACCKEYS_RSA {
  U64 e;
  U64 n;
  U64 d;
};

// The key file: $VELMORA_ACCESSORY_KEYS, else accessory.keys in the base
// directory. Lines "handshake <index 0-9> <e> <n> <d>" (decimal or 0x hex)
// and "link <64 hex digits>"; '#' starts a comment. Into pcPath (size bytes).
void U_ACCKEYS_vKeyFilePath(char* pcPath, U32 size);
// Key pair nIndex; FALSE when the index is outside 0-9, there is no key
// file, or the file has no usable pair for it (a modulus below 2).
BOOLEAN U_ACCKEYS_bHandshakeKey(int nIndex, ACCKEYS_RSA* pKey);
// The link's initial key; FALSE without a key file or a link line in it.
BOOLEAN U_ACCKEYS_bLinkKey(U8 au8Key[U_ACCKEYS_LINK_KEY_BYTES]);
// Forgets what was read, so the next use reads the file again.
void U_ACCKEYS_vReload(void);
