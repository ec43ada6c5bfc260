// Meshes shared by file name and vertex kind: one process-wide list of records.
#pragma once

class CMesh;

class CMeshContainer {
public:
    // The record of that file and kind with one more reference, or a new one filled from
    // the file. Always a record, even when the file cannot be read (it then has no sub-meshes).
    static CMesh* LoadMesh(const char* fileName, int vertexKind);
    // Drops one reference; the last one unlinks and frees the record.
    static void ReleaseMesh(CMesh* mesh);
    // Shut-down: frees every record whatever its count, logging each as lost.
    static void ReleaseAllMeshData();

    static CMesh* GetFirst() { return s_First; }
    static int Count();

private:
    static CMesh* s_First;
    static int s_NextID;
};
