#include "plugin/fill/plugin/tests/test_host.h"

namespace grindel_test {

HRESULT STDMETHODCALLTYPE Sink::QueryInterface(REFIID iid, void **out)
{
    return mfx_testing::queryOne<IDrummerSink>(this, iid, out);
}

HRESULT STDMETHODCALLTYPE Sink::ParamChanged(DWORD cookie, LONG id, LONG sub)
{
    changes.emplace_back(cookie, id, sub);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Sink::Detach(DWORD cookie)
{
    detached.push_back(cookie);
    return S_OK;
}

std::vector<LONG> Sink::ids() const
{
    std::vector<LONG> result;
    for (const auto &change : changes)
        result.push_back(std::get<1>(change));
    return result;
}

EventKey keyOf(const MfxEvent &e)
{
    return {e.time, e.kind, e.note, e.velocity, e.channel, e.port, e.duration, e.releaseVelocity};
}

std::string programFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

std::string distFolder()
{
    const std::string tests = programFolder();
    return tests.substr(0, tests.find_last_of('\\')) + "\\dist";
}

std::string modulePath()
{
    return distFolder() + "\\Grindelvosket.dll";
}

} // namespace grindel_test
