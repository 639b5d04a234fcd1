#pragma once

#include <QIcon>

// The program's icon, from the pictures built into it.
QIcon AppIcon();
