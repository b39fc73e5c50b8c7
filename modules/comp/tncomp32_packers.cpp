// TNComp32.DLL writes deflate alone (its TNCompress): LZMA's encoder would
// more than double the library, and setups are built by the tools.
#include "comp_packer.h"

const TCompPacker* CompPacker(TCompMethod method)
{
    return method == kCompMethodDeflate ? &kCompDeflatePacker : nullptr;
}
