#include "project/MKaraokeLine.h"

MKaraokeLine::MKaraokeLine() = default;
MKaraokeLine::~MKaraokeLine() = default;
