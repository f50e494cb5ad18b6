#pragma once
// The readers of meshes, drawings and skeletons are not in this build yet: their shapes exist so
// that the view's factory can name them, and their Load refuses every file with one clear error.
class wxString;

// Logs the error "<what> files cannot be read yet: <path>" from `function` (a "Class::Method"
// literal) through the toolkit's log and answers false.
bool RefuseShapeFile(const char* function, const char* what, const wxString& path);
