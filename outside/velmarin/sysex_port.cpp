#include "outside/velmarin/sysex_port.h"

#include "outside/velmarin/held_ports.h"

#include <mmsystem.h>

namespace velmarin {

namespace {

// A MIDI cable carries about three bytes a millisecond; the wait allows
// the message that long and a second more.
DWORD SendTimeout(long length)
{
    return 1000 + static_cast<DWORD>(length / 3);
}

// Sends the message whole on an open handle and waits, bounded, until the
// device has taken it: on the event when the handle signals one, else by
// looking every millisecond.
bool SendWhole(HMIDIOUT handle, const unsigned char *data, long length, HANDLE done)
{
    MIDIHDR header = {};
    header.lpData = reinterpret_cast<LPSTR>(const_cast<unsigned char *>(data));
    header.dwBufferLength = static_cast<DWORD>(length);
    if (midiOutPrepareHeader(handle, &header, sizeof header) != MMSYSERR_NOERROR)
        return false;
    bool sent = false;
    if (midiOutLongMsg(handle, &header, sizeof header) == MMSYSERR_NOERROR) {
        const DWORD start = GetTickCount();
        const DWORD timeout = SendTimeout(length);
        while (!(header.dwFlags & MHDR_DONE)) {
            const DWORD waited = GetTickCount() - start;
            if (waited >= timeout)
                break;
            if (!done)
                Sleep(1);
            else if (WaitForSingleObject(done, timeout - waited) == WAIT_FAILED)
                break;
        }
        sent = (header.dwFlags & MHDR_DONE) != 0;
        if (!sent)
            midiOutReset(handle); // hands the buffer back
    }
    midiOutUnprepareHeader(handle, &header, sizeof header);
    return sent;
}

struct Message {
    const unsigned char *data;
    long length;
};

} // namespace

int SysExPort::SendSysEx(long flags, const unsigned char *data, long length)
{
    if (flags != 0 || !data || length <= 0)
        return 0;
    // A port an output holds open takes the message on its handle.
    Message message{data, length};
    bool sent = false;
    if (WithHeldPort(
            device,
            [](HMIDIOUT handle, void *context) {
                auto *m = static_cast<Message *>(context);
                return SendWhole(handle, m->data, m->length, nullptr);
            },
            &message, sent))
        return sent ? 1 : 0;
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!done)
        return 0;
    HMIDIOUT handle = nullptr;
    if (midiOutOpen(&handle, device, reinterpret_cast<DWORD_PTR>(done), 0, CALLBACK_EVENT) ==
        MMSYSERR_NOERROR) {
        sent = SendWhole(handle, data, length, done);
        midiOutClose(handle);
    }
    CloseHandle(done);
    return sent ? 1 : 0;
}

} // namespace velmarin
