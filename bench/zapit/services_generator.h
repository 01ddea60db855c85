#pragma once

#include <QString>

// Writes a services.xml in dialect 6 (satellites with position, numbered
// channels) holding `services` services spread over satellites and
// transponders the way real lists are. Every `renameEvery`-th service gets
// another name (0: none), so two generated files differ in that share.
bool writeGeneratedServices(const QString &fileName, int services, int renameEvery = 0);
