#include "audio/sound_effects.h"

#include <gtest/gtest.h>

#include "platform/doubles/test_sound.h"

namespace {

TEST(SoundEffects, EachEffectIsItsFileByExactName) {
    VirtualClock clock;
    RecordingEffectPlayer player(clock);
    EffectPlayer& previous = installed_effect_player();
    install_effect_player(player);
    play_attack_sound();
    clock.pause(1200);
    play_fire_sound();
    play_heal_sound();
    play_angel_cry_sound();
    play_victory_sound();
    play_game_over_sound();
    ASSERT_EQ(player.played.size(), 6u);
    EXPECT_EQ(player.played[0].file_name, "music/wav/attack.wav");
    EXPECT_EQ(player.played[0].at_ms, 0);
    EXPECT_EQ(player.played[1].file_name, "music/wav/fire.wav");
    EXPECT_EQ(player.played[1].at_ms, 1200);
    EXPECT_EQ(player.played[2].file_name, "music/wav/heal.wav");
    EXPECT_EQ(player.played[3].file_name, "music/wav/angelcry.wav");
    EXPECT_EQ(player.played[4].file_name, "music/wav/Victory.wav");
    EXPECT_EQ(player.played[5].file_name, "music/wav/Gameover.wav");

    EXPECT_EQ(PlaySoundA("music/wav/fire.wav", nullptr, SND_ASYNC), 0) << "only file names are played";
    EXPECT_EQ(player.played.size(), 6u);
    install_effect_player(previous);
}

}  // namespace
