// The data tool's sub-commands; each returns the process exit status.
#pragma once

int CmdGenerate(int argc, char** argv);
int CmdCheck(int argc, char** argv);
int CmdRenderXm(int argc, char** argv);
int CmdIcon(int argc, char** argv);
