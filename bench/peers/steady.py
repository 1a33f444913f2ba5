"""The default problem's steady state with SciPy: a 1 m square of gold (k = 317 W/(m K)),
West at 0, East at 1, North and South insulated, as n x n cell-centred finite volumes (the
five-point system of an orthogonal grid), solved by scipy.sparse.linalg.spsolve. Prints the
heat rate entering through West and writes the field, one value a line.
    python3 steady.py N OUT
"""
import sys

import numpy as np
import scipy.sparse as sp
import scipy.sparse.linalg as spla

n = int(sys.argv[1])
k = 317.0
index = np.arange(n * n).reshape(n, n)  # [j, i]
rows, cols, vals = [], [], []
diagonal = np.zeros(n * n)
rhs = np.zeros(n * n)
# Square volumes: every interior face conducts k, every boundary face at a fixed
# temperature 2 k (half a volume away).
for a, b in ((index[:, :-1], index[:, 1:]), (index[:-1, :], index[1:, :])):
    a = a.ravel()
    b = b.ravel()
    rows += [a, b]
    cols += [b, a]
    vals += [np.full(a.size, -k), np.full(a.size, -k)]
    np.add.at(diagonal, a, k)
    np.add.at(diagonal, b, k)
diagonal[index[:, 0]] += 2 * k
diagonal[index[:, -1]] += 2 * k
rhs[index[:, -1]] += 2 * k * 1.0
rows.append(np.arange(n * n))
cols.append(np.arange(n * n))
vals.append(diagonal)
matrix = sp.csc_matrix((np.concatenate(vals), (np.concatenate(rows), np.concatenate(cols))),
                       shape=(n * n, n * n))
t = spla.spsolve(matrix, rhs)
print("West heat rate: %.12g W/m" % (2 * k * t[index[:, 0]]).sum())
np.savetxt(sys.argv[2], t, fmt="%.17g")
