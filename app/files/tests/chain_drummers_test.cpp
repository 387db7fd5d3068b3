#include "app/files/chain_drummers.h"

#include "app/files/tests/state_effect.h"
#include "data/meff_chain.h"

#include <gtest/gtest.h>

using namespace Quorvane;
using rallimoth_test::StateEffect;

namespace {

// A chain of three elements, each holding an in-process effect.
class ChainDrummersTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 3; ++i) {
            auto *elem = new CMEffElem(nullptr, nullptr, nullptr);
            effects[i] = new StateEffect("state" + std::to_string(i));
            elem->effect = effects[i];
            chain.AddNewMEffElem(elem, last);
            last = elem;
        }
    }

    CMEffChain chain{nullptr};
    CMEffElem *last = nullptr;
    StateEffect *effects[3] = {};
    ChainDrummers drummers{chain};
};

} // namespace

TEST_F(ChainDrummersTest, StatesAreWhatTheEffectsWriteAndRead)
{
    std::string state;
    ASSERT_TRUE(drummers.saveState(2, state));
    EXPECT_EQ(state, "state2");
    ASSERT_TRUE(drummers.loadState(1, std::string("new\0bytes", 9)));
    EXPECT_EQ(effects[1]->state, std::string("new\0bytes", 9));
    effects[0]->refuse = true;
    EXPECT_FALSE(drummers.loadState(0, "x"));
    EXPECT_EQ(effects[0]->state, "state0");
}

TEST_F(ChainDrummersTest, SwitchingAnElementGoesThroughTheChain)
{
    EXPECT_TRUE(drummers.isActive(1));
    drummers.setActive(1, false);
    EXPECT_FALSE(drummers.isActive(1));
    EXPECT_EQ(drummers.element(1)->active, 0);
    // Asking for the state it has already changes nothing.
    drummers.setActive(1, false);
    EXPECT_FALSE(drummers.isActive(1));
    drummers.setActive(1, true);
    EXPECT_TRUE(drummers.isActive(1));
}

TEST_F(ChainDrummersTest, MissingElementsHaveNoState)
{
    std::string state;
    EXPECT_FALSE(drummers.saveState(3, state));
    EXPECT_FALSE(drummers.saveState(-1, state));
    EXPECT_FALSE(drummers.loadState(5, "x"));
    EXPECT_FALSE(drummers.isActive(3));
    CMEffChain empty{nullptr};
    ChainDrummers none(empty);
    EXPECT_FALSE(none.saveState(0, state));
}
