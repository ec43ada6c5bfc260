#include "render/mesh_container.h"

#include <cstdio>
#include <cstring>
#include "app/settings.h"
#include "render/mesh.h"

CMesh* CMeshContainer::s_First = nullptr;
int CMeshContainer::s_NextID = 0;

CMesh* CMeshContainer::LoadMesh(const char* fileName, int vertexKind)
{
    if (!fileName) fileName = "";
    CMesh* last = nullptr;
    for (CMesh* m = s_First; m; m = m->m_Next) {
        if (m->m_VertexType == vertexKind && StrEqual(m->m_Name, fileName)) {
            ++m->m_RefCount;
            return m;
        }
        last = m;
    }
    CMesh* mesh = new CMesh;
    mesh->m_ID = s_NextID++;
    mesh->m_VertexType = vertexKind;
    std::snprintf(mesh->m_Name, sizeof(mesh->m_Name), "%s", fileName);
    if (last) last->m_Next = mesh;
    else s_First = mesh;
    mesh->LoadFile();
    return mesh;
}

void CMeshContainer::ReleaseMesh(CMesh* mesh)
{
    if (!mesh) return;
    if (mesh->m_RefCount == 0) {
        DebugOutF("Mesh reference counter in use! (ID: %d; Name: %s)", mesh->m_ID, mesh->m_Name);
        return;
    }
    if (--mesh->m_RefCount > 0) return;
    CMesh* prev = nullptr;
    for (CMesh* m = s_First; m; prev = m, m = m->m_Next) {
        if (m != mesh) continue;
        if (prev) prev->m_Next = m->m_Next;
        else s_First = m->m_Next;
        m->Release();
        delete m;
        return;
    }
    // Not in the list (already freed at shut-down or never loaded here): keep the count at 0
    // so a further release is reported instead of touching freed memory twice.
}

void CMeshContainer::ReleaseAllMeshData()
{
    DebugOut("\nCMeshContainer::ReleaseAllMeshData() start...");
    CMesh* m = s_First;
    while (m) {
        CMesh* next = m->m_Next;
        DebugOutF("\tMesh lost! (ID: %d; REF: %d; Name: %s)", m->m_ID, m->m_RefCount, m->m_Name);
        m->Release();
        delete m;
        m = next;
    }
    s_First = nullptr;
    DebugOut("CMeshContainer::ReleaseAllMeshData() done!\n");
}

int CMeshContainer::Count()
{
    int n = 0;
    for (CMesh* m = s_First; m; m = m->m_Next) ++n;
    return n;
}
