// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "apps/hatkit-mqtt/command_payload.h"
#include "apps/hatkit-mqtt/program_states.h"

namespace {

// Each payload against commands that hold "light = effect 2": what the
// control file then says, or why the payload was refused (nothing changed).
TEST(CommandPayload, TakenWholeOrRefusedWithWhy)
{
    const struct {
        CommandTopic topic;
        std::string payload;
        std::string control;  // after, when taken
        std::string why;      // when refused
    } cases[] = {
        {CommandTopic::fan, "ON", "fan = on\nlight = effect 2\n", ""},
        {CommandTopic::fan, "OFF", "fan = off\nlight = effect 2\n", ""},
        {CommandTopic::fan, "on", "", "fan/set: must be ON or OFF"},
        {CommandTopic::fanPreset, "auto", "light = effect 2\n", ""},
        {CommandTopic::fanPreset, "eco", "", "fan/preset/set: the only preset is auto"},
        {CommandTopic::screen, "OFF", "light = effect 2\nscreen = off\n", ""},
        {CommandTopic::light, R"({"state":"ON","color":{"r":255,"g":0,"b":16}})", "light = ff0010\n", ""},
        {CommandTopic::light, R"({"state":"ON","color":{"r":0,"g":0,"b":0},"brightness":3})", "light = 000000\nbrightness = 3\n", ""},
        // The slider alone: the light kept, the brightness apart.
        {CommandTopic::light, R"({"state":"ON","brightness":128})", "light = effect 2\nbrightness = 128\n", ""},
        {CommandTopic::light, R"({"state":"ON","brightness":0})", "light = off\n", ""},
        {CommandTopic::light, R"({"state":"ON","effect":"effect 4"})", "light = effect 4\n", ""},
        {CommandTopic::light, R"({"state":"ON","effect":"auto"})", "", ""},
        {CommandTopic::light, R"({"state":"OFF","effect":"effect 1"})", "light = off\n", ""},
        {CommandTopic::light, R"({"state":"ON"})", "light = effect 2\n", ""},  // on already: unchanged
        {CommandTopic::light, "{", "", "light/set: not a JSON object"},
        {CommandTopic::light, "[1]", "", "light/set: not a JSON object"},
        {CommandTopic::light, R"({"color":{"r":1,"g":1,"b":1}})", "", "light/set: state must be \"ON\" or \"OFF\""},
        {CommandTopic::light, R"({"state":"ON","color":{"r":256,"g":0,"b":0}})", "", "light/set: color must hold r, g and b from 0 to 255"},
        {CommandTopic::light, R"({"state":"ON","color":{"r":-1,"g":0,"b":0}})", "", "light/set: color must hold r, g and b from 0 to 255"},
        {CommandTopic::light, R"({"state":"ON","color":{"r":1.5,"g":0,"b":0}})", "", "light/set: color must hold r, g and b from 0 to 255"},
        {CommandTopic::light, R"({"state":"ON","color":{"r":"1","g":0,"b":0}})", "", "light/set: color must hold r, g and b from 0 to 255"},
        {CommandTopic::light, R"({"state":"ON","effect":"effect 5"})", "", "light/set: effect must be auto or effect 0 to 4"},
        {CommandTopic::light, R"({"state":"ON","effect":"off"})", "", "light/set: effect must be auto or effect 0 to 4"},
        {CommandTopic::light, R"({"state":"ON","effect":"ff0000"})", "", "light/set: effect must be auto or effect 0 to 4"},
        {CommandTopic::light, R"({"state":"ON","brightness":300})", "", "light/set: brightness must be a number from 0 to 255"},
        {CommandTopic::light, R"({"state":"ON","color":{"r":1,"g":1,"b":1},"effect":"auto"})", "",
         "light/set: a color or an effect, not both"},
        {CommandTopic::light, std::string(1025, ' '), "", "light/set: longer than 1 KiB"},
    };
    for (const auto& c : cases) {
        Commands commands;
        parseLightMode("effect 2", &commands.light);
        const Commands before = commands;
        std::string why;
        const bool taken = applyCommandPayload(c.topic, c.payload.data(), c.payload.size(), &commands, &why);
        EXPECT_EQ(taken, c.why.empty()) << c.payload;
        EXPECT_EQ(why, c.why) << c.payload;
        EXPECT_EQ(renderCommands(commands), taken ? c.control : renderCommands(before)) << c.payload;
    }
    // Off, then on with nothing more: back to what the program would show.
    Commands commands;
    std::string why;
    ASSERT_TRUE(applyCommandPayload(CommandTopic::light, R"({"state":"OFF"})", 15, &commands, &why));
    ASSERT_TRUE(applyCommandPayload(CommandTopic::light, R"({"state":"ON"})", 14, &commands, &why));
    EXPECT_EQ(renderCommands(commands), "");
}

TEST(ControlFile, RefusedWholeOnTheFirstBadLine)
{
    const struct {
        std::string text;
        std::string message;  // "" when taken
    } cases[] = {
        {"fan = on\nlight = 0A0b0C\nscreen = auto\n", ""},
        {"fan = on\nfan = off\n", "control line 2: fan is given twice"},
        {"fan = fast\n", "control line 1: fan must be auto, on or off, not 'fast'"},
        {"light = effect 5\n", "control line 1: light must be auto, off, RRGGBB or effect 0 to 4, not 'effect 5'"},
        {"light = 0a0b0g\n", "control line 1: light must be auto, off, RRGGBB or effect 0 to 4, not '0a0b0g'"},
        {"colour = red\n", "control line 1: unknown key 'colour'"},
        {"brightness = 0\n", "control line 1: brightness must be a whole number from 1 to 255, not '0'"},
        {"brightness = 256\n", "control line 1: brightness must be a whole number from 1 to 255, not '256'"},
    };
    for (const auto& c : cases) {
        Commands commands;
        commands.screen = ScreenMode::off;
        std::string message;
        EXPECT_EQ(parseCommands(c.text.data(), c.text.size(), &commands, &message), c.message.empty()) << c.text;
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(renderCommands(commands), c.message.empty() ? "fan = on\nlight = 0a0b0c\n" : "screen = off\n");
    }
}

// The state message from the state files: the first fresh program's fields
// lead; numbers and flags as JSON has them.
TEST(StateMessage, MergesTheFreshProgramsTyped)
{
    ProgramState states[kPrograms];
    states[1].fields = {{"program", "airguard"}, {"temperature", "61.5"}, {"fan", "on"}, {"board_answering", "no"}};
    states[2].fields = {{"program", "heatglow"}, {"temperature", "61.4"}, {"light", "auto"}, {"quiet_hours", "yes"}};
    bool fresh[kPrograms] = {false, true, true};
    EXPECT_EQ(stateMessage(states, fresh), R"({"program":"airguard","temperature":61.5,"fan":"on","board_answering":false,)"
                                           R"("light":"auto","quiet_hours":true})");
    fresh[1] = fresh[2] = false;
    EXPECT_EQ(stateMessage(states, fresh), "");
}

// Every light that is on has a colour and an effect (null for a fixed
// colour), as Home Assistant's JSON light wants them.
TEST(StateMessage, LightStatesAreComplete)
{
    const struct {
        const char *light, *colour, *brightness, *message;
    } cases[] = {
        {"off", "", "255", R"({"state":"OFF"})"},
        {"purple", "", "", R"({"state":"OFF"})"},
        {"0a0b0c", "ffffff", "128",
         R"({"state":"ON","color_mode":"rgb","brightness":128,"color":{"r":10,"g":11,"b":12},"effect":null})"},
        {"effect 3", "", "255",
         R"({"state":"ON","color_mode":"rgb","brightness":255,"color":{"r":255,"g":255,"b":255},"effect":"effect 3"})"},
        {"auto", "1e90ff", "1",
         R"({"state":"ON","color_mode":"rgb","brightness":1,"color":{"r":30,"g":144,"b":255},"effect":"auto"})"},
        {"auto", "bad", "",
         R"({"state":"ON","color_mode":"rgb","brightness":255,"color":{"r":255,"g":255,"b":255},"effect":"auto"})"},
        {"auto", "000000", "255", R"({"state":"OFF"})"},
        {"ff0000", "", "0", R"({"state":"ON","color_mode":"rgb","brightness":255,"color":{"r":255,"g":0,"b":0},"effect":null})"},
    };
    for (const auto& c : cases) EXPECT_EQ(lightStateMessage(c.light, c.colour, c.brightness), c.message) << c.light;
}

}  // namespace
