#pragma once

// clang-format off
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <setupapi.h>
// mingw-w64's hid.dll headers declare no C linkage of their own.
extern "C" {
#include <hidsdi.h>
}
#include <dbt.h>
// clang-format on

// The Win32 calls of the Windows transport and the device notices, one pointer per call, so
// that a test run under Windows can put scripted stand-ins in their place.
struct Win32HidCalls {
    // SetupAPI: the present interfaces of a class.
    HDEVINFO(WINAPI *getClassDevs)(const GUID *, PCWSTR, HWND, DWORD);
    BOOL(WINAPI *enumDeviceInterfaces)
    (HDEVINFO, PSP_DEVINFO_DATA, const GUID *, DWORD, PSP_DEVICE_INTERFACE_DATA);
    BOOL(WINAPI *getDeviceInterfaceDetail)
    (HDEVINFO, PSP_DEVICE_INTERFACE_DATA, PSP_DEVICE_INTERFACE_DETAIL_DATA_W, DWORD, PDWORD,
     PSP_DEVINFO_DATA);
    BOOL(WINAPI *destroyDeviceInfoList)(HDEVINFO);

    // hid.dll
    void(WINAPI *getHidGuid)(LPGUID);
    BOOLEAN(WINAPI *getAttributes)(HANDLE, PHIDD_ATTRIBUTES);
    BOOLEAN(WINAPI *getSerialNumberString)(HANDLE, PVOID, ULONG);
    BOOLEAN(WINAPI *getPreparsedData)(HANDLE, PHIDP_PREPARSED_DATA *);
    NTSTATUS(WINAPI *getCaps)(PHIDP_PREPARSED_DATA, PHIDP_CAPS);
    BOOLEAN(WINAPI *freePreparsedData)(PHIDP_PREPARSED_DATA);
    BOOLEAN(WINAPI *setNumInputBuffers)(HANDLE, ULONG);

    // kernel32: the handle, its overlapped reads and writes, their events.
    HANDLE(WINAPI *createFile)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    BOOL(WINAPI *closeHandle)(HANDLE);
    HANDLE(WINAPI *createEvent)(LPSECURITY_ATTRIBUTES, BOOL, BOOL, LPCWSTR);
    BOOL(WINAPI *setEvent)(HANDLE);
    BOOL(WINAPI *readFile)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI *writeFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI *getOverlappedResult)(HANDLE, LPOVERLAPPED, LPDWORD, BOOL);
    DWORD(WINAPI *waitForMultipleObjects)(DWORD, const HANDLE *, BOOL, DWORD);
    BOOL(WINAPI *cancelIo)(HANDLE);
    DWORD(WINAPI *getLastError)();

    // user32: the device-change notices of a window.
    HDEVNOTIFY(WINAPI *registerDeviceNotification)(HANDLE, LPVOID, DWORD);
    BOOL(WINAPI *unregisterDeviceNotification)(HDEVNOTIFY);

    // The system's own functions.
    static const Win32HidCalls &system();
};
