#include "tform1.h"

#include "plot_image.h"

namespace dorvanel {

void TForm1::DrawGraph() { vidGraf->SetPicture(vidGraf->BlankPicture()); }

} // namespace dorvanel
