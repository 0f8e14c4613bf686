#pragma once

// The video-server client: firmware upgrade of video servers over their
// own service port. The closed library is not available on this platform;
// the program links the built-in implementation in ZazadaClient.cpp, which
// speaks the small protocol described there. Callers see only this C
// interface.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// The status an update reports through its progress routine. Callers rely
// on `progress` at byte offset 12 and `error` at byte offset 16 only.
typedef struct ZazadaUpdateStatus {
    int32_t size;      // sizeof(ZazadaUpdateStatus)
    int32_t stage;     // 0 sending, 1 device writing, 2 finished
    int32_t bytesSent; // low 32 bits of the package bytes sent so far
    int32_t progress;  // 0..100
    int32_t error;     // non-zero: the update ended with an error
    int32_t deviceCode; // the device's own status code at the end, else 0
} ZazadaUpdateStatus;

// What ZAZADA_GetServerInfo fills: 156 bytes; `size` must be 156 on entry.
typedef struct ZazadaServerInfo {
    int32_t size;
    char name[64];
    char firmware[64];
    int32_t channels;
    int32_t reserved[5];
} ZazadaServerInfo;

// Message routine: the server handle and five values the library defines;
// called on a thread of the library once the server is ready.
typedef int32_t (*ZazadaMessageRoutine)(int32_t handle, int32_t message, int32_t value1, int32_t value2,
    int32_t value3, void* user);
// Progress routine of an update: called on a thread of the library; returns
// 1 when it handled the end of the update, 0 for plain progress.
typedef int32_t (*ZazadaProgressRoutine)(int32_t reserved, const ZazadaUpdateStatus* status, void* user);

// Connects to the server at `address`:`port` and logs in. Fills `handle`
// (0 when no session could be opened). Returns 0 on success.
int32_t ZAZADA_OpenServer(const char* reserved, const char* address, int32_t port, const char* userName,
    const char* password, int32_t* handle, int32_t flags, int32_t timeoutSeconds);
// Our own, not of the classic library: ends at once every ZAZADA_OpenServer
// still connecting or logging in (each returns non-zero with no handle), so a
// closing window need not wait for a slow server. Opens started later are not
// affected.
int32_t ZAZADA_StopOpening(void);
// 0 when the handle names a logged-in session; the routine is then called
// once from a thread of the library.
int32_t ZAZADA_RegServerMsgCallback(int32_t handle, ZazadaMessageRoutine routine, void* user);
// 0 when `info` was filled.
int32_t ZAZADA_GetServerInfo(int32_t handle, ZazadaServerInfo* info);
// Starts sending the package at `path`; 0 when started. Progress and the end
// arrive through `routine`.
int32_t ZAZADA_UpdateServer(int32_t handle, const char* path, ZazadaProgressRoutine routine, void* user);
// Stops a running update (its routine is not called again after this
// returns) and closes the session. Must not be called from a routine.
int32_t ZAZADA_CloseServer(int32_t handle);

#ifdef __cplusplus
}
#endif
