// The dictionary's anchor, apart from its parser: the row path reads the
// entries (load defaults) without linking the control-file readers.
#include "ctl/dict.h"

dictionary_state dictionary;
