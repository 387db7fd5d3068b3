#include "outside/halvorinapp/instance_link.h"

namespace Quorvane {

namespace {

// Object names may not hold a backslash.
std::string objectPrefix(const std::string &title)
{
    std::string prefix = "Quorvane.HalvorinApp." + title;
    for (char &c : prefix)
        if (c == '\\')
            c = '_';
    return prefix;
}

} // namespace

InstanceLink::InstanceLink(const std::string &title) : prefix_(objectPrefix(title)) {}

InstanceLink::~InstanceLink()
{
    retire();
    if (cell_)
        UnmapViewOfFile(cell_);
    if (mapping_)
        CloseHandle(mapping_);
}

void InstanceLink::retire()
{
    if (running_ && cell_)
        InterlockedExchange(&cell_->attached, 0);
    running_ = false;
    if (handOverEvent_)
        CloseHandle(handOverEvent_);
    if (marker_)
        CloseHandle(marker_);
    handOverEvent_ = marker_ = nullptr;
}

bool InstanceLink::openCell()
{
    if (cell_)
        return true;
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Cell),
                                  (prefix_ + ".Cell").c_str());
    if (!mapping_)
        return false;
    const bool made = GetLastError() != ERROR_ALREADY_EXISTS;
    cell_ = static_cast<Cell *>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Cell)));
    if (!cell_)
        return false;
    if (made)
        cell_->channel = -1;
    return true;
}

bool InstanceLink::becomeRunningInstance()
{
    if (running_)
        return true;
    HANDLE marker = CreateMutexA(nullptr, FALSE, (prefix_ + ".Running").c_str());
    if (!marker)
        return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(marker);
        return false;
    }
    marker_ = marker;
    handOverEvent_ = CreateEventA(nullptr, FALSE, FALSE, (prefix_ + ".HandOver").c_str());
    running_ = openCell() && handOverEvent_;
    if (running_) {
        cell_->channel = -1;
        cell_->attached = 0;
    }
    return running_;
}

bool InstanceLink::handOver(long channel, DWORD timeout)
{
    // A running instance that streams for a host keeps its channel.
    if (!openCell() || cell_->attached)
        return false;
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, (prefix_ + ".HandOver").c_str());
    if (!event)
        return false;
    InterlockedExchange(&cell_->channel, channel);
    SetEvent(event);
    CloseHandle(event);
    for (DWORD waited = 0; waited < timeout; waited += 10) {
        if (cell_->channel == -1)
            return true;
        Sleep(10);
    }
    // Nobody took it: take it back unless it went at the last moment.
    return InterlockedCompareExchange(&cell_->channel, -1, channel) != channel;
}

long InstanceLink::takeChannel()
{
    return cell_ ? InterlockedExchange(&cell_->channel, -1) : -1;
}

void InstanceLink::setAttached(bool attached)
{
    if (running_ && cell_)
        InterlockedExchange(&cell_->attached, attached ? 1 : 0);
}

} // namespace Quorvane
