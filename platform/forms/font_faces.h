#pragma once
// Which faces may take a design face's place, best first. Both runtimes walk this list and
// take the first face their own font system has, so the two builds stand in for a design face
// with the same faces; only "has it" is the runtime's own question.

#include <string_view>
#include <vector>

namespace forms {

struct FaceCandidate {
    std::string_view family;
    // The design face is a narrow one and this candidate is not: draw it condensed where the
    // font system can.
    bool condense = false;
};

// The design face itself, then the platform's own scalable heir of it, then the stand-ins the
// Linux build chose by fit. Velmora3-C.exe carries the first stand-in of each known face.
// An unknown face has itself alone: the font system finds its nearest match. "" is the
// default face, "MS Sans Serif".
std::vector<FaceCandidate> face_candidates(std::string_view design_face);

// The faces carried inside Velmora3-C.exe, one per known design face.
std::vector<std::string_view> carried_faces();

}  // namespace forms
