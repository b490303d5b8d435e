#pragma once
// The main window's image list: 22 pictures of 16 x 16 pixels, by index.
#include <QIcon>
#include <vector>

namespace ostan {

std::vector<QIcon> DrawImageList1();

} // namespace ostan
