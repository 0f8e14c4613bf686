#pragma once

// The ONVIF access library: finds ONVIF devices (WS-Discovery) and changes
// their network settings (ONVIF device management over SOAP/HTTP). The closed
// library of the classic tool does not exist on this platform; the program
// links this built-in implementation, and callers see only this C interface,
// so another implementation could be linked in its place.
//
// Threads: every routine given to the library is called on a thread of the
// library, never on the caller's. Routines only copy data and post.
//
// Deviations from the classic records, on purpose:
// - The two pointers at the end of the login record take their native size
//   (the vendor SDK's record does the same), so on a 64-bit build the record
//   is 232 bytes; every offset before them is the classic one.
// - `LS_NET_SetNetParam` returns at once and changes the device on a thread
//   of the library (several requests, each up to the request wait), so the
//   caller's window is not held up; its result only says whether the change
//   was started. Logging out does not cut a started change short.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Events delivered to the login record's notification routine.
enum {
    LS_NET_EVENT_LOGIN_OK = 1536,
    LS_NET_EVENT_LOGIN_FAILED = 1537,
};

// How a change started by LS_NET_SetNetParamEx ended.
enum {
    // The device took the address settings and every other setting asked
    // for (gateway, HTTP port). Its reboot is not awaited: a device may go
    // away before it answers that request.
    LS_NET_CHANGE_ACCEPTED = 0,
    // The device refused a setting, or did not answer in time.
    LS_NET_CHANGE_FAILED = 1,
};

// The type codes of discovered devices (the tool reserves 900..999 for the
// devices of this library).
enum {
    LS_NET_TYPE_VIDEO_TRANSMITTER = 900, // a camera or encoder
    LS_NET_TYPE_VIDEO_STORAGE = 910,     // a recorder
    LS_NET_TYPE_OTHER = 999,             // any other ONVIF device
};

// One discovered device, and also the parameter block of a change
// (`OnvifNetParam`). Integers in the machine's byte order; texts 8-bit,
// NUL-terminated inside their field.
typedef struct OnvifDeviceRecord {
    int32_t reserved0;     // 0
    int32_t typeCode;      // 900..999, see above
    char mac[16];          // 12 upper-case hexadecimal digits; empty when unknown
    char mask[16];         // dotted decimal; empty when the device did not tell
    char gateway[16];      // dotted decimal; empty when the device did not tell
    char name[64];         // from the device's name scope, else its model
    char address[1024];    // IPv4 address text at the start, the rest zero
    int32_t port;          // HTTP port of the device service
    char dns[32];          // first DNS server; empty when the device did not tell
    int32_t channels;      // 0: not asked (it needs credentials and the media service)
    uint8_t dhcp;          // 1 on, 0 off
    uint8_t reserved1[7];  // 0
} OnvifDeviceRecord;

// The same layout carries the settings of a change: `mac` (not used: ONVIF
// finds the device by its address), `mask`, `gateway`, the new address at the
// start of `address`, `port` (the new HTTP port) and `dhcp`.
typedef OnvifDeviceRecord OnvifNetParam;

// Called once per device with a record valid only during the call, then once
// with a null record when the search has ended (not after a stop). Returns 0.
typedef int32_t (*OnvifSearchRoutine)(const OnvifDeviceRecord* record, void* user);

// Called once per login with LS_NET_EVENT_LOGIN_OK or LS_NET_EVENT_LOGIN_FAILED
// (an unreachable device counts as failed). `eventData` is null.
typedef void (*OnvifNotifyRoutine)(int32_t handle, int32_t eventCode, const void* eventData, void* userContext);

// Called once when a change has ended, with LS_NET_CHANGE_ACCEPTED or
// LS_NET_CHANGE_FAILED.
typedef void (*OnvifChangeRoutine)(int32_t handle, int32_t outcome, void* user);

typedef struct OnvifLoginRecord {
    char address[128];  // device address, dotted decimal
    int32_t port;       // the device's HTTP port
    int32_t reserved;   // 0
    char userName[32];  // Windows-1250, as every device library takes credentials
    char password[48];  // Windows-1250
    void* userContext;  // handed back to `notify`
    OnvifNotifyRoutine notify;
} OnvifLoginRecord;

void LS_NET_Startup(void);
// Seconds a search listens for answers; (unused); seconds one request to a
// device may take (connection and answer each). Values <= 0 keep the current
// ones (defaults 5 and 10).
void LS_NET_SetWaitTime(int32_t searchSeconds, int32_t unused, int32_t requestSeconds);
// Starts a search on a thread of the library. `multi` 1: besides the
// multicast probe, probe every host address of each local interface's subnet
// by unicast (at most 1022 addresses per interface). Returns the search
// handle, 0 when no search was started (no routine given).
int32_t LS_NET_StartSearchDevice(int32_t multi, OnvifSearchRoutine routine, void* user);
// Ends a search early. Once this returns, its routine is not called again
// (not even with the null record).
void LS_NET_StopSearchDevice(int32_t handle);
// Starts a login on a thread of the library; the answer arrives through the
// record's routine. Returns the login handle, 0 when no login was started
// (null record).
int32_t LS_NET_Login(const OnvifLoginRecord* record);
// Starts the change of a logged-in device: its IPv4 address and prefix (or
// DHCP), its default gateway and its HTTP port, then a reboot when the device
// asks for one. 0 when started; -1 for an unknown handle, a login that has not
// succeeded, or a block whose address or mask is no valid IPv4 text.
int32_t LS_NET_SetNetParam(int32_t handle, const OnvifNetParam* block);
// LS_NET_SetNetParam that also tells how the change ended: when it returns 0,
// `routine` (if not null) is called once, on a thread of the library, after
// the device's last answer. It is called even after LS_NET_Logout (logging
// out does not cut a started change short), and before LS_NET_Cleanup
// returns. The classic interface had no such call; it exists for callers
// that must report whether the device took the change.
int32_t LS_NET_SetNetParamEx(int32_t handle, const OnvifNetParam* block, OnvifChangeRoutine routine, void* user);
// Ends a login; no event of it arrives after this returns.
void LS_NET_Logout(int32_t handle);
// Ends every search and login and waits for the library's threads. Started
// changes are allowed to finish (each of their requests is bounded).
void LS_NET_Cleanup(void);

#ifdef __cplusplus
}

static_assert(sizeof(OnvifDeviceRecord) == 1192, "the device record is 1192 bytes");
static_assert(offsetof(OnvifDeviceRecord, typeCode) == 4);
static_assert(offsetof(OnvifDeviceRecord, mac) == 8);
static_assert(offsetof(OnvifDeviceRecord, mask) == 24);
static_assert(offsetof(OnvifDeviceRecord, gateway) == 40);
static_assert(offsetof(OnvifDeviceRecord, name) == 56);
static_assert(offsetof(OnvifDeviceRecord, address) == 120);
static_assert(offsetof(OnvifDeviceRecord, port) == 1144);
static_assert(offsetof(OnvifDeviceRecord, dns) == 1148);
static_assert(offsetof(OnvifDeviceRecord, channels) == 1180);
static_assert(offsetof(OnvifDeviceRecord, dhcp) == 1184);

static_assert(offsetof(OnvifLoginRecord, port) == 128);
static_assert(offsetof(OnvifLoginRecord, reserved) == 132);
static_assert(offsetof(OnvifLoginRecord, userName) == 136);
static_assert(offsetof(OnvifLoginRecord, password) == 168);
static_assert(offsetof(OnvifLoginRecord, userContext) == 216);
static_assert(offsetof(OnvifLoginRecord, notify) == 216 + sizeof(void*));
static_assert(sizeof(OnvifLoginRecord) == 216 + 2 * sizeof(void*), "224 bytes on a 32-bit build");
#endif
