#pragma once

// Execution state of the command being run: which description it is and how
// its two item lists are read from "Command.ini".

#include <QByteArray>

// Index in cmdTable of the command being executed.
extern int curCmd;
// cmdLen came from a CMDLEN= line and is not to be widened by variable items.
extern bool cmdLenFixed;

// Parses the CMD and RPL lists of the block curCmd into cmdItems and rplItems.
bool ceRazbCmdRpl();
