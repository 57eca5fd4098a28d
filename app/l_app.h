// Program entry, the window procedure, the fixed-step main loop and the global switches.
#pragma once
#include <cstdint>
#include <string>

extern int32_t ScreenWidth;
extern int32_t ScreenHeight;
extern int32_t ScreenBits;
extern int32_t ScreenRefresh;
extern bool Fullscreen;
extern bool AppActive;
extern bool AppInitialized;
extern bool AppQuit;
extern bool NoBlood;
extern bool NoGibs;
extern bool MouseInvert;
extern std::string CommandLine;
extern int32_t LastStepTime;
extern uint32_t StepElapsed;

// Joins the parameters without separators and sets the switches found in them.
void ParseCommandLine(int argc, char** argv);
bool CreateMainWindow();
int32_t WndProc(uint32_t message, uint32_t wParam, int32_t lParam);
// Drains the message queue and dispatches every message to WndProc.
void DispatchMessages();
// One pass of the main loop after the message drain: the step rule and one frame.
// now is the timer value of this pass.
int RunLoopPass(int32_t now);  // returns the number of steps run
// Whole program: start-up, loop, close handling. Returns the exit status.
int HalvrostMain(int argc, char** argv);
