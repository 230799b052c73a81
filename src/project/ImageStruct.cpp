#include "project/ImageStruct.h"

IMAGE_STRUCT::IMAGE_STRUCT() = default;
IMAGE_STRUCT::~IMAGE_STRUCT() = default;
