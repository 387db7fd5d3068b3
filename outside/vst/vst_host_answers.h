// What the host callback answers whatever plug-in asks, before a plug-in
// has a host object and for the questions that do not depend on one: a
// version 2 host that sends MIDI events, gives time information and idle
// calls to editors.
#pragma once

#include <cstdint>

namespace Quorvane {

intptr_t AnswerAnyHostQuestion(int32_t opcode, void *ptr);

} // namespace Quorvane
