// The page list for the preview's tests while the program declares none of its own; weak, so that
// the program's own list takes its place once it is linked in.
#include "bookkeeping/proc/Druckvorschau.h"

[[gnu::weak]] rt::report::PageQueue SEITENQUEUE;
