// A lower layer that reaches up: the layer check must refuse this folder.
#include "platform/Paths.h"
#include "app/MyFrame.h"
