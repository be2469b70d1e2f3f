#include "VideoCapture.h"

namespace Vandrel {

VideoCapture::~VideoCapture() = default;

int VideoCapture::getWidth()
{
    return width;
}

int VideoCapture::getHeight()
{
    return height;
}

int VideoCapture::setWidth(int value)
{
    width = value;
    return width;
}

int VideoCapture::setHeight(int value)
{
    height = value;
    return height;
}

} // namespace Vandrel
