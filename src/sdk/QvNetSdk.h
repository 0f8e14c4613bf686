#pragma once

// The vendor network SDK: login to recorders and their firmware upgrade.
// The closed library is not available on this platform; the program links
// the built-in implementation in QvNetSdk.cpp, which speaks to the device's
// own web server and its upgrade port. Callers see only this C interface,
// so another implementation can be linked in its place.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Events delivered to the login record's notification routine.
enum {
    QV_NET_EVENT_CONNECT_FAILED = 2,
    QV_NET_EVENT_UPGRADE_PROGRESS = 1280,
    QV_NET_EVENT_UPGRADE_DONE = 1281,
    QV_NET_EVENT_UPGRADE_FAILED = 1282,
    QV_NET_EVENT_LOGIN_OK = 1536,
    QV_NET_EVENT_LOGIN_FAILED = 1537,
};

// Called on a thread of the library. `eventData` points at the event's data
// (for upgrade progress its first 32-bit value is the progress); it is only
// valid during the call.
typedef void (*QvNetNotify)(int32_t handle, int32_t eventCode, const void* eventData, void* userContext);

// What a login needs. Texts are 8-bit and zero-terminated. The fields keep
// the order and sizes of the classic 224-byte record; the two pointers at
// its end take their native size here.
typedef struct QvNetLoginRecord {
    char address[128];       // device address, dotted decimal
    int32_t port;            // the device's HTTP port
    int32_t one;             // always 1
    char userName[32];
    char password[36];
    uint8_t reserved0;       // 0
    uint8_t reserved1;       // 0
    uint8_t always1;         // 1
    uint8_t secondFamily;    // 1 for recorders of types 800..899, else 0
    uint8_t reserved2[8];    // 0
    void* userContext;
    QvNetNotify notify;
} QvNetLoginRecord;

// How the built-in library checks a login's credentials: the program hands
// it the check its change path uses (an addition of ours beyond the closed
// interface; the library has no web client of its own). Returns the login's
// event: 1536 accepted, 1537 refused, 2 no answer. Without one, every login
// ends as 2.
typedef int32_t (*QvNetLoginCheck)(const char* address, int32_t port, const char* userName, const char* password,
    int32_t connectMilliseconds);
void QV_NET_SetLoginCheck(QvNetLoginCheck check);

void QV_NET_Startup(void);
// Wait times: connect, (unused), receive, in seconds.
void QV_NET_SetWaitTime(int32_t connectSeconds, int32_t unused, int32_t receiveSeconds);
// Starts a login; the answer arrives as an event (1536, 1537 or 2). Returns
// the session handle, 0 when no login could be started.
int32_t QV_NET_Login(const QvNetLoginRecord* record);
// Starts a firmware upgrade of the session's device with the package at
// `path`: 0 when started; its progress (1280, percent 0..100), its end (1281
// done, 1282 failed) or a failed connection (2) arrive as events.
int32_t QV_NET_Upgrade(int32_t handle, const char* path);
// Ends a session; no event of it arrives after this returns.
void QV_NET_Logout(int32_t handle);
// Ends every session and waits for the library's threads.
void QV_NET_Cleanup(void);

#ifdef __cplusplus
}
#endif
