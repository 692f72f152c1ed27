#!/usr/bin/env bash
# Makes the bundled samples with dravo: the cube (the generator is
# deterministic, so running this again gives the same cube) and a document
# over it with four views, a formula, a regroupment and two charts.
#   samples/make-samples.sh [path/to/dravo]
set -euo pipefail
cd "$(dirname "$0")"
DRAVO="${1:-../build/tools/dravo/dravo}"
"$DRAVO" generate --items 5000 --seed 2024 -o demo.pvc
"$DRAVO" info demo.pvc

"$DRAVO" convert demo.pvc -o demo.Dravo --view "Ventes par région" \
    --rows Région,Ville --cols Canal --value Montant
"$DRAVO" add-view demo.Dravo --view "Mois" --default \
    --rows Mois --value Montant --value Quantité
"$DRAVO" add-view demo.Dravo --view "Prix" \
    --rows Produit --cols Canal \
    --formula "Prix moyen=Somme('Montant')/Somme('Quantité')" --formula-format "Prix moyen=%.2f €" \
    --value "Prix moyen" --row-regroup Somme:Montant
"$DRAVO" add-view demo.Dravo --view "Graphiques" \
    --rows Canal --cols Région --value Montant \
    --chart "Empilé par canal=charts/ventes-empilees.xml" \
    --chart "En trois dimensions=charts/ventes-3d.xml"
"$DRAVO" info demo.Dravo
