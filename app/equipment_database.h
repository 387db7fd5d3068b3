// The program's database questions answered by the equipment database
// library (its exported functions and template items).
#pragma once

#include "app/program_database.h"

namespace Quorvane {

class EquipmentDatabase : public ProgramDatabase {
public:
    int CheckFirstTime(unsigned long mask) override;
    bool RefreshPorts(long kind) override;
    int GetIOParams(IOPARAMS *params) override;
    int GetDefaultASP(IOPARAMS *params) override;
    bool SetIOParams(IOPARAMS *params) override;
    bool ChooseOutput(PORTDESCR &descriptor, IQuorvaneSongTract *tract, void *owner) override;
    bool ChoosePreset(const PORTDESCR &descriptor, PortKinds kinds, void *item, void *context,
                      const char *name, void *parent) override;
    Hibernation LoadHibernation(CSong *song, std::vector<uint8_t> &state) override;
    bool SaveHibernation(CSong *song, const void *state, long size) override;
    bool ChooseTemplate(CSong *song, const std::function<bool()> &prepare, const TemplateTracksCheck &accepts,
                        std::vector<uint8_t> &state, void *owner) override;
    void CommitModifications() override;
};

} // namespace Quorvane
