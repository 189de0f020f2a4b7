// Basic scalar types and result codes of the platform layer.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int16_t OSErr;
typedef int32_t OSStatus;
typedef uint32_t OSType;
typedef uint8_t Boolean;
typedef uint16_t UniChar;
typedef unsigned long ItemCount;
typedef long Size;
typedef char* Ptr;
typedef unsigned char Str63[64];
typedef unsigned char Str255[256];
typedef unsigned char* StringPtr;

enum {
  noErr = 0,
  dirNFErr = -120,      // folder not found
  fnfErr = -43,         // file not found
  nsvErr = -35,         // no such volume
  ioErr = -36,
  paramErr = -50,
  memFullErr = -108,
  afpAccessDenied = -5000,
  errFSNoMoreItems = -1417,
  errFSBadFSRef = -1401,
  errFSBadIteratorFlags = -1413,
  errFSBadItemCount = -1418,
  errFSNotAFolder = -1407,
  kLSApplicationNotFoundErr = -10814
};

#ifdef __cplusplus
}
#endif
