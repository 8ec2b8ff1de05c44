#pragma once
// The about window P50$WIN "Installationsinfo Tavik": the program's picture, version and slogan and
// the data folder. Each "&Info" starts one on a thread of its own; it lives until the user closes it.

void Installationsinfo();
