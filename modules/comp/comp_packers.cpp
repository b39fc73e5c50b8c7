// Every method is written: the tools' and tests' build of the format.
#include "comp_packer.h"

const TCompPacker* CompPacker(TCompMethod method)
{
    switch (method) {
    case kCompMethodDeflate:
        return &kCompDeflatePacker;
    case kCompMethodLzma:
        return &kCompLzmaPacker;
    }
    return nullptr;
}
