#include "win32hidcalls.h"

const Win32HidCalls &Win32HidCalls::system()
{
    static const Win32HidCalls calls = {
        SetupDiGetClassDevsW,
        SetupDiEnumDeviceInterfaces,
        SetupDiGetDeviceInterfaceDetailW,
        SetupDiDestroyDeviceInfoList,
        HidD_GetHidGuid,
        HidD_GetAttributes,
        HidD_GetSerialNumberString,
        HidD_GetPreparsedData,
        HidP_GetCaps,
        HidD_FreePreparsedData,
        HidD_SetNumInputBuffers,
        CreateFileW,
        CloseHandle,
        CreateEventW,
        SetEvent,
        ReadFile,
        WriteFile,
        GetOverlappedResult,
        WaitForMultipleObjects,
        CancelIo,
        GetLastError,
        RegisterDeviceNotificationW,
        UnregisterDeviceNotification,
    };
    return calls;
}
