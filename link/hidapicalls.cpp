#include "hidapicalls.h"

#include <hidapi.h>

const HidApiCalls &HidApiCalls::system()
{
    static const HidApiCalls calls{
        hid_init,  hid_exit,  hid_enumerate,    hid_free_enumeration,        hid_open_path,
        hid_close, hid_write, hid_read_timeout, hid_get_serial_number_string};
    return calls;
}
