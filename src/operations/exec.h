#pragma once

#include <QString>

#include <functional>

namespace ops {

// Runs one text command and leaves the driver's last error and the reply
// values behind, as TestFp::execCommand does. Each front end passes its own,
// with its own connection handling and messages around the command.
using Exec = std::function<bool(const QString &command)>;

// Told how far a long procedure has come; answers false to stop it.
using Progress = std::function<bool(int done, int total)>;

} // namespace ops
