// Placeholder until the pipeline sources join the library.
namespace qm::device { int DownloadLibraryPresent() { return 1; } }
