#include "plugin/framework/plugin/host_track_info.h"

#include "plugin/framework/plugin/host_integration.h"
#include "plugin/framework/plugin/host_memory.h"
#include "plugin/framework/plugin/mfx_plugin.h"

#include <algorithm>

namespace Quorvane {

namespace {

// Defaults of the fourteen track values, in their order.
constexpr int32_t kDefaults[CHostTrackInfo::kValueCount] = {0, 0, 0, 0, 0, -1, -1, -1, 0, 0, 0, 0, 127, 64};

constexpr int32_t kMaxTracks = 10000;

uintptr_t tableValue(int index)
{
    return hostInfo().values[index];
}

class Guard {
public:
    explicit Guard(CRITICAL_SECTION &lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~Guard() { LeaveCriticalSection(&lock_); }
    Guard(const Guard &) = delete;
    Guard &operator=(const Guard &) = delete;

private:
    CRITICAL_SECTION &lock_;
};

} // namespace

CHostTrackInfo::CHostTrackInfo()
{
    InitializeCriticalSection(&lock_);
    resetCache();
}

CHostTrackInfo::~CHostTrackInfo()
{
    DeleteCriticalSection(&lock_);
}

void CHostTrackInfo::resetCache()
{
    std::copy(std::begin(kDefaults), std::end(kDefaults), values_);
    std::fill(std::begin(list_), std::end(list_), 0);
}

void CHostTrackInfo::refresh(bool reset)
{
    Guard guard(lock_);
    if (!attached_) {
        if (reset) {
            trackNumber_ = -1;
            resetCache();
        }
        return;
    }
    for (int i = 0; i < kValueCount; ++i)
        if (!readHostInt32(track_, tableValue(TrackFirstValue + i), &values_[i]))
            values_[i] = kDefaults[i];
}

bool CHostTrackInfo::isViewActive()
{
    HWND active = getActiveMdiChild();
    if (!active)
        return false;
    HWND main = getHostMainWindow();
    const uintptr_t found = walkHostList(document_, tableValue(DocumentViews), [&](uintptr_t view) {
        uintptr_t window = 0;
        if (!readHostPointer(view, tableValue(ViewWindow), &window))
            return false;
        for (HWND w = reinterpret_cast<HWND>(window); w && w != main; w = GetParent(w))
            if (w == active)
                return true;
        return false;
    });
    return found != 0;
}

int32_t CHostTrackInfo::hostNow()
{
    int32_t now = 0;
    if (!track_ || !readHostInt32(document_, tableValue(DocumentNow), &now))
        return 0;
    return now;
}

void CHostTrackInfo::setHostNow(int32_t ticks)
{
    const uintptr_t routine = tableValue(HostSetNowRoutine);
    if (!routine || !document_)
        return;
    reinterpret_cast<void (*)(void *, int32_t)>(routine)(reinterpret_cast<void *>(document_), ticks);
}

bool CHostTrackInfo::attach(MfxPlugin *plugin)
{
    if (!isHostIntegrationActive() || !plugin)
        return false;
    Guard guard(lock_);
    document_ = 0;
    track_ = 0;
    filterIndex_ = -1;
    trackNumber_ = -1;
    attached_ = false;
    const uintptr_t filter = reinterpret_cast<uintptr_t>(static_cast<IMfxEventFilter *>(plugin));

    walkHostList(hostInfo().docTemplate, tableValue(TemplateDocuments), [&](uintptr_t document) {
        int32_t count = 0;
        uintptr_t table = 0;
        if (!readHostInt32(document, tableValue(DocumentTrackCount), &count) ||
            !readHostPointer(document, tableValue(DocumentTrackTable), &table) || !table)
            return false;
        for (int32_t i = 0; i < std::min(count, kMaxTracks); ++i) {
            uintptr_t pair[2] = {};
            if (!readHostBytes(table + i * sizeof(pair), pair, sizeof(pair)))
                return false;
            int32_t index = 0;
            const bool holds = walkHostList(pair[1], tableValue(TrackFilters), [&](uintptr_t item) {
                                   if (item == filter)
                                       return true;
                                   ++index;
                                   return false;
                               }) != 0;
            if (holds) {
                document_ = document;
                track_ = pair[1];
                trackNumber_ = static_cast<int32_t>(pair[0]);
                filterIndex_ = index;
                return true;
            }
        }
        return false;
    });
    if (!track_)
        return false;
    const uintptr_t list = tableValue(TrackListValues);
    for (int i = 0; i < kListCount; ++i)
        if (!list || !readHostBytes(track_ + list + i * sizeof(int32_t), &list_[i], sizeof(int32_t)))
            list_[i] = 0;
    attached_ = true;
    refresh(false); // the lock is re-entrant
    return true;
}

bool CHostTrackInfo::attachIfNeeded(MfxPlugin *plugin)
{
    if (!isHostIntegrationActive())
        return false;
    return attached_ || attach(plugin);
}

bool CHostTrackInfo::canSetHostNow()
{
    return tableValue(HostSetNowRoutine) != 0;
}

void CHostTrackInfo::sendShortMessage(uint32_t message)
{
    const uintptr_t routine = tableValue(HostSendShortRoutine);
    if (!routine || !track_)
        return;
    reinterpret_cast<void (*)(void *, uint32_t)>(routine)(reinterpret_cast<void *>(track_), message);
}

int32_t CHostTrackInfo::value(int index)
{
    int32_t live = 0;
    if (track_ && getHostActiveDocument() &&
        readHostInt32(track_, tableValue(TrackFirstValue + index), &live))
        return live;
    return values_[index];
}

int32_t CHostTrackInfo::listValue(int index) const
{
    return index >= 0 && index < kListCount ? list_[index] : 0;
}

int32_t CHostTrackInfo::liveInput()
{
    return value(0);
}
int32_t CHostTrackInfo::armed()
{
    return value(1);
}
int32_t CHostTrackInfo::muted()
{
    return value(2);
}
int32_t CHostTrackInfo::keyOffset()
{
    return value(3);
}
int32_t CHostTrackInfo::velocityOffset()
{
    return value(4);
}
int32_t CHostTrackInfo::outputPort()
{
    return value(5);
}
int32_t CHostTrackInfo::outputChannel()
{
    return value(6);
}
int32_t CHostTrackInfo::patch()
{
    return value(7);
}
int32_t CHostTrackInfo::timeOffset()
{
    return value(8);
}
int32_t CHostTrackInfo::inputPort()
{
    return value(9);
}
int32_t CHostTrackInfo::inputChannel()
{
    return value(10);
}
int32_t CHostTrackInfo::bank()
{
    return value(11);
}
int32_t CHostTrackInfo::volume()
{
    return value(12);
}
int32_t CHostTrackInfo::pan()
{
    return value(13);
}

} // namespace Quorvane
