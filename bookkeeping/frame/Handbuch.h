#pragma once
// The manual "Tavik.pdf": opened with the program that the desktop associates with PDF documents,
// after a tip about its page layout that the user can turn off.

void HandbuchOeffnen();
