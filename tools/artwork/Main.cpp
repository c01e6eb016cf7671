// Makes the artwork of one program at build time (see Artwork.h):
//
//   tev_artwork <kappa|sigma> <output folder> <script file>
//
// The skin author's own bitmaps are the .bmp files beside the script.
#include "Artwork.h"

#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4 || (std::string(argv[1]) != "kappa" && std::string(argv[1]) != "sigma")) {
        std::cerr << "usage: tev_artwork <kappa|sigma> <output folder> <script file>\n";
        return 2;
    }
    return art::MakeArtwork(argv[1], argv[2], argv[3], std::cerr) ? 0 : 1;
}
