#include "outside/velmarin/sysex_port.h"

#include <mmsystem.h>

namespace velmarin {

namespace {

// A MIDI cable carries about three bytes a millisecond; the wait allows
// the message that long and a second more.
DWORD SendTimeout(long length)
{
    return 1000 + static_cast<DWORD>(length / 3);
}

} // namespace

int SysExPort::SendSysEx(long flags, const unsigned char *data, long length)
{
    if (flags != 0 || !data || length <= 0)
        return 0;
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!done)
        return 0;
    HMIDIOUT handle = nullptr;
    int sent = 0;
    if (midiOutOpen(&handle, device, reinterpret_cast<DWORD_PTR>(done), 0, CALLBACK_EVENT) ==
        MMSYSERR_NOERROR) {
        MIDIHDR header = {};
        header.lpData = reinterpret_cast<LPSTR>(const_cast<unsigned char *>(data));
        header.dwBufferLength = static_cast<DWORD>(length);
        if (midiOutPrepareHeader(handle, &header, sizeof header) == MMSYSERR_NOERROR) {
            if (midiOutLongMsg(handle, &header, sizeof header) == MMSYSERR_NOERROR) {
                const DWORD start = GetTickCount();
                const DWORD timeout = SendTimeout(length);
                while (!(header.dwFlags & MHDR_DONE)) {
                    const DWORD waited = GetTickCount() - start;
                    if (waited >= timeout || WaitForSingleObject(done, timeout - waited) == WAIT_FAILED)
                        break;
                }
                sent = (header.dwFlags & MHDR_DONE) != 0;
                if (!sent)
                    midiOutReset(handle); // hands the buffer back
            }
            midiOutUnprepareHeader(handle, &header, sizeof header);
        }
        midiOutClose(handle);
    }
    CloseHandle(done);
    return sent;
}

} // namespace velmarin
