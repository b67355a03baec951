#pragma once
// The working-colour image every remap reads.
#include "engine/colour/work_image.h"

using RemapImage = WorkImage;
