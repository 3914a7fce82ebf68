#include "state/text_file.h"
