// libFuzzer target for the OBJ/MTL model reader: the bytes before the first NUL are an OBJ file,
// those after it an MTL library. Whatever reads must survive normals and fitting, and every index
// a drawing follows must lie inside its array.
//   build-fuzz/fuzz/fuzz_obj_model -max_len=65536 fuzz/corpus-obj <seed folders>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string_view>

#include "shapes/ObjMtlModel.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::ostringstream sink;
    std::cout.rdbuf(sink.rdbuf());
    sink.str("");
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const size_t split = all.find('\0');
    const std::string_view obj = all.substr(0, split);
    // A library that is not there: only the text after the NUL gives materials.
    auto model = glmParseOBJ("/nonexistent-folder/model.obj", obj);
    if (split != std::string_view::npos) glmParseMTL(*model, all.substr(split + 1));
    glmFitToUnitBox(*model);
    glmMakeFaceNormals(*model);
    float e[3];
    glmExtents(*model, e);
    glmVertexNormals(*model, 90);
    glmCheckMode(*model, GLM_FLAT | GLM_SMOOTH | GLM_TEXTURE | GLM_MATERIAL);
    for (const ObjMtlGroup& g : model->groups)
        for (unsigned t : g.triangles) Check(t < model->TriangleCount());
    for (const ObjMtlTriangle& t : model->triangles) {
        Check(t.findex >= 1 && t.findex <= model->FacetNormalCount());
        for (int j = 0; j < 3; ++j) {
            Check(t.vindices[j] >= 1 && t.vindices[j] <= model->VertexCount());
            Check(t.nindices[j] >= 1 && t.nindices[j] <= model->NormalCount());
            Check(t.tindices[j] <= model->TexCoordCount());
        }
    }
    for (float x : model->normals) Check(!std::isnan(x));
    for (float x : model->facetnorms) Check(!std::isnan(x));
    for (const ObjMtlMaterial& m : model->materials) Check(m.shininess >= 0 && m.shininess <= 128);
    return 0;
}
