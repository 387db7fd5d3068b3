// The scan tests' fixture plug-ins and where they write what happens.
#pragma once

#define VST_FIXTURE_INSTRUMENT 1
#define VST_FIXTURE_STEREO_EFFECT 2
#define VST_FIXTURE_MONO_EFFECT 3
#define VST_FIXTURE_NO_MAIN 4
#define VST_FIXTURE_BAD_MAGIC 5
#define VST_FIXTURE_BRIDGE 6
#define VST_FIXTURE_CRASH_OPEN 7
#define VST_FIXTURE_THROW_OPEN 8

constexpr char kVstFixtureLogVariable[] = "TEMBRI_VST_FIXTURE_LOG";
