// Built-in catalogues for the hosts and the benchmark: a restaurant's
// products, tables and payment types, and synthetic products in any number.
#pragma once

#include <TouchDialogs/ClientDataSet.h>

#include <QStringList>
#include <memory>

namespace TouchDialogs::sample {

// "products", "tables" or "payments"; raises EDatabaseError naming the
// known catalogues for any other name.
std::unique_ptr<TClientDataSet> sampleDataSet(const QString &name);
QStringList sampleNames();

// n products with the fields of "products" (CODIGO, NOME, GRUPO, PRECO,
// ATIVO hidden), names made of Portuguese syllables in mixed case with "Ç"
// and "ç", about two thirds active. The same n gives the same records.
std::unique_ptr<TClientDataSet> syntheticProducts(int n);

} // namespace TouchDialogs::sample
