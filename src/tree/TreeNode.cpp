#include "tree/TreeNode.h"

#include <mutex>

// AddressSanitizer sees a node used after it was freed only when each node is an allocation
// of its own.
#if defined(__SANITIZE_ADDRESS__)
#define FENNICK_NODE_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FENNICK_NODE_POOL 0
#endif
#endif
#ifndef FENNICK_NODE_POOL
#define FENNICK_NODE_POOL 1
#endif

static_assert(sizeof(TreeNode) <= 48, "a big folder holds one node per item");

namespace {

// Nodes of one size, cut from large blocks and kept on a free list once freed, so that a node
// costs its own size and no allocation header. A listing makes them on its worker and the
// window frees them, hence the lock. The blocks are kept for the next folder.
class NodePool {
public:
    void* take()
    {
        std::lock_guard lock(m_mutex);
        if (!m_free)
            grow();
        Free* node = m_free;
        m_free = node->next;
        return node;
    }
    void give(void* node)
    {
        std::lock_guard lock(m_mutex);
        m_free = new (node) Free{m_free};
    }

private:
    struct Free {
        Free* next;
    };
    static constexpr std::size_t NodesPerBlock = 1024;

    void grow()
    {
        auto* block = static_cast<std::byte*>(::operator new(NodesPerBlock * sizeof(TreeNode)));
        for (std::size_t i = NodesPerBlock; i-- > 0;)
            m_free = new (block + i * sizeof(TreeNode)) Free{m_free};
    }

    std::mutex m_mutex;
    Free* m_free = nullptr;
};

// Never destroyed: a node freed while the program ends must still find it.
NodePool& pool()
{
    static NodePool* const nodes = new NodePool;
    return *nodes;
}

}  // namespace

void* TreeNode::operator new(std::size_t size)
{
    if (!FENNICK_NODE_POOL || size != sizeof(TreeNode))
        return ::operator new(size);
    return pool().take();
}

void TreeNode::operator delete(void* node, std::size_t size)
{
    if (!FENNICK_NODE_POOL || size != sizeof(TreeNode))
        ::operator delete(node);
    else
        pool().give(node);
}
