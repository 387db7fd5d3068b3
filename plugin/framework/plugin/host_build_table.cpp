#include "plugin/framework/plugin/host_build_table.h"

namespace Quorvane {

namespace {

// The rows of the supported builds go here, in the order they are tried
// (several builds share a version and differ by language). The values are
// taken from each build as data; without them no build is recognised and
// the plug-ins work through the MFX interface alone.
const HostBuildRow builtInRows[] = {
    {},
};

const HostBuildRow *tableInUse = nullptr;

} // namespace

const HostBuildRow *builtInHostBuilds()
{
    return builtInRows;
}

const HostBuildRow *hostBuildTable()
{
    return tableInUse ? tableInUse : builtInRows;
}

void setHostBuildTable(const HostBuildRow *table)
{
    tableInUse = table;
}

} // namespace Quorvane
